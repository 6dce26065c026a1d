// sonatap: the desktop program.
#include <QApplication>

#include "gui/main_window.h"
#include "gui/ui_support.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Sonatap");
  sonatap::gui::ApplyLook();
  sonatap::gui::MainWindow window;
  window.show();
  return QApplication::exec();
}
