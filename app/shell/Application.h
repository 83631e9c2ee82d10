// The application object: its event delivery is the program's default
// handler for exceptions. A component failure that reaches the message loop
// is shown to the user and the program goes on, with every open document.
#pragma once

#include <QApplication>
#include <QIcon>
#include <functional>

// The program's own icon (all sizes), built into the program.
QIcon ProgramIcon();

// Makes the application's style the desktop's, with two changes: the picture
// of a disabled command is greyed and faded, so that a dark picture (a
// magnifier, a bold "B") looks disabled as clearly as a bright one; and the
// frame of a tab widget and the tool bars with their grips are painted
// opaque, looking the same (long translucent lines cost the start a lot).
void UseProgramStyle();

class TApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;

  // Runs `deliver`; an exception it raises is shown as an error message and
  // the event counts as not handled.
  static bool DeliverShowingFailures(const std::function<bool()>& deliver);
};
