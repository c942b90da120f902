#include "app/service/CommonNTSERVICE.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>

CommonNTSERVICE::CommonNTSERVICE(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  btnStop_ = new QPushButton("Stop", this);
  btnEnd_ = new QPushButton("end", this);
  layout->addWidget(btnStop_);
  layout->addWidget(btnEnd_);
  connect(btnEnd_, &QPushButton::clicked, this, [] { QApplication::exit(0); });
}

void CommonNTSERVICE::RunNTService() {}
