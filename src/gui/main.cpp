// sonatap: the desktop program.
#include <QApplication>
#include <QSettings>

#include "engine/signal_cleanup.h"
#include "engine/temp_folder.h"
#include "gui/main_window.h"
#include "gui/ui_support.h"

int main(int argc, char** argv) {
  sonatap::RemoveOnEndingSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Sonatap");
  // Qt's own file dialog keeps its history in the user's settings; the
  // program keeps nothing between runs, so such settings go to a folder of
  // this run that is removed at exit.
  sonatap::TempFolder settings;
  const QString settingsPath = QString::fromStdString(settings.Path().string());
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, settingsPath);
  sonatap::gui::ApplyLook();
  sonatap::gui::MainWindow window;
  window.show();
  return QApplication::exec();
}
