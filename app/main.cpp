// The wizard application: one window, its dialogs, and the message loop.
#include <QApplication>

#include "app/kvSimpleDemo.h"
#include "app/kvSimpleDemoConsts.h"
#include "app/kvWizardHost.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kv::ui::SAppTitle);
  QApplication::setApplicationDisplayName(kv::ui::SAppTitle);
  kv::TkvQtWizardHost host;
  kv::TfrmMain window(host);
  window.show();
  return QApplication::exec();
}
