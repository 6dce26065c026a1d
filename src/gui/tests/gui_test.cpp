// The desktop program's windows, driven through their widgets with every
// dialog answered by the test.
#include <QtTest>

#include "gui/main_window.h"

using namespace sonatap;
using namespace sonatap::gui;

class GuiTest : public QObject {
  Q_OBJECT
 private slots:
  void startUp();
};

void GuiTest::startUp() {
  MainWindow window;
  window.show();
  QCOMPARE(window.windowTitle(), QString("Sonatap 0.95b"));
}

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
