#include "app/widgets/IconBinding.h"

#include <QAbstractButton>
#include <QAction>
#include <QToolBar>
#include <QWidget>

#include "foundation/IconManager.h"
#include "platform/qt/QtIconImages.h"

namespace {

class ToolbarAdapter : public IconManager::Toolbar {
 public:
  ToolbarAdapter(QToolBar* bar, const platform::qt::QtIconImages& images) : bar_(bar), images_(images) {}
  int ButtonCount() const override { return static_cast<int>(bar_->actions().size()); }
  std::string ButtonKey(int button) const override {
    return bar_->actions().at(button - 1)->data().toString().toStdString();
  }
  void SetButtonImage(int button, int position) override {
    bar_->actions().at(button - 1)->setIcon(images_.Icon(position));
  }

 private:
  QToolBar* bar_;
  const platform::qt::QtIconImages& images_;
};

template <typename SetIcon>
class PictureAdapter : public IconManager::Picture {
 public:
  PictureAdapter(SetIcon set, const platform::qt::QtIconImages& images) : set_(set), images_(images) {}
  void SetImage(int position) override { set_(images_.Icon(position)); }

 private:
  SetIcon set_;
  const platform::qt::QtIconImages& images_;
};

}  // namespace

void IconBinding::initToolbar(QToolBar* toolbar) const {
  if (!toolbar) return;
  ToolbarAdapter adapter(toolbar, images_);
  icons_.initToolbar(adapter);
}

void IconBinding::initButton(QAbstractButton* button, const std::string& iconName) const {
  if (!button) return;
  PictureAdapter picture([button](const QIcon& i) { button->setIcon(i); }, images_);
  icons_.initButton(picture, iconName);
}

void IconBinding::InitForm(QWidget* form, const std::string& iconName) const {
  if (!form) return;
  PictureAdapter picture([form](const QIcon& i) { form->setWindowIcon(i); }, images_);
  icons_.InitForm(picture, iconName);
}
