#include "app/widgets/ToolbarButtons.h"

#include <QAction>
#include <QObject>
#include <QToolBar>
#include <QWidget>

namespace {

// A button given no tooltip shows none. Qt would show its caption instead (an action without a
// tooltip answers with its text), and its button takes the action's tooltip again on every change
// of the action, so the button's own tooltip is emptied after each.
void WithoutToolTip(QToolBar* toolbar, QAction* action) {
  QWidget* button = toolbar->widgetForAction(action);
  if (!button) return;
  button->setToolTip(QString());
  QObject::connect(action, &QAction::changed, button, [button] { button->setToolTip(QString()); });
}

}  // namespace

void ToolbarButtons::Add(QToolBar* toolbar, std::initializer_list<Button> buttons,
                         const std::function<void(const std::string&)>& onClick) {
  for (const Button& b : buttons) {
    QAction* action = toolbar->addAction(b.caption);
    action->setIconText(b.caption);
    action->setData(QString(b.key));
    if (*b.toolTip)
      action->setToolTip(b.toolTip);
    else
      WithoutToolTip(toolbar, action);
    const std::string key = b.key;
    QObject::connect(action, &QAction::triggered, toolbar, [onClick, key] { onClick(key); });
  }
}
