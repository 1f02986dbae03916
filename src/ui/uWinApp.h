// Setting up the window layer for the add-in: the application object's
// title, icon and exception hook, and the add-in's icon on every window.
#pragma once
#include <string>

namespace mvn {

class TForm;

// Once per process, on the user-interface thread: window classes, the
// application title "Morvane", the icon, and GlobalExceptionHandler as the
// hook for exceptions that escape an event handler. Repeated calls do nothing.
void InitWindowLayer();
// At DLL unload: destroys the hidden window and unregisters the classes.
void ShutdownWindowLayer();

// Loads the icon "MAINICON" from this module (or "app.ico" beside it) once
// per process and makes it the application's icon. Never fails visibly.
void LoadAppIcon();
// Gives AForm the add-in's icon: at once when its window exists, else every
// time it is shown (an earlier show handler still runs afterwards).
void LoadFormIcon(TForm& AForm);
// Sets both icon sizes on the form's window and its class, when the window
// exists and the icon was loaded.
void ApplyIconNow(TForm& AForm);

// The two icon handles; nullptr until loaded. Kept for the life of the process.
void* AppIconHandle();
void* AppIconSmall();

// The text of the unhandled-exception dialog; ASenderClass nullptr when the
// exception had no sender.
std::string ExceptionReportText(const char* ASenderClass, const std::string& AClassName, const std::string& AMessage);
// Shows that text in the error dialog.
void GlobalExceptionHandler(const char* ASenderClass, const std::string& AClassName, const std::string& AMessage);

}  // namespace mvn
