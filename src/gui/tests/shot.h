#pragma once
// Screenshots of the windows the tests open, for people to check by eye:
// saved into $SONATAP_SHOTS when it is set.
#include <QDir>
#include <QWidget>

namespace sonatap::gui {

inline void Shot(QWidget* w, const char* name) {
  const QString folder = qEnvironmentVariable("SONATAP_SHOTS");
  if (folder.isEmpty() || w == nullptr) return;
  QDir().mkpath(folder);
  w->grab().save(folder + "/" + name + ".png");
}

}  // namespace sonatap::gui
