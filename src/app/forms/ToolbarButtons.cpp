#include "app/forms/ToolbarButtons.h"

#include <QAction>
#include <QObject>
#include <QToolBar>

void ToolbarButtons::Add(QToolBar* toolbar, std::initializer_list<Button> buttons,
                         const std::function<void(const std::string&)>& onClick) {
  for (const Button& b : buttons) {
    QAction* action = toolbar->addAction(b.caption);
    action->setIconText(b.caption);
    action->setData(QString(b.key));
    if (*b.toolTip) action->setToolTip(b.toolTip);
    const std::string key = b.key;
    QObject::connect(action, &QAction::triggered, toolbar, [onClick, key] { onClick(key); });
  }
}
