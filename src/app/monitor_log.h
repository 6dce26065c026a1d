#pragma once
// The text of the main window's Monitor area. Operations append lines ending
// in "\r\n"; "showing" it copies the whole text to the window, which during a
// run happens at the next refresh.
#include <string>

namespace sonatap {

inline constexpr const char* kReadyText = "** READY **\r\n";

struct MonitorLog {
  std::string text = kReadyText;
  bool showPending = false;

  void Append(const std::string& line) { text += line; }
  void Show() { showPending = true; }
  // Shows the text in `view` at once.
  template <class View>
  void ShowNow(View& view) {
    view.ShowMonitor(text);
    showPending = false;
  }
  void Clear() {
    text = kReadyText;
    showPending = true;
  }
};

}  // namespace sonatap
