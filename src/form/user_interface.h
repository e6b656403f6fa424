// What the rules ask of the person at the window: sounds, boxes, focus and file
// choosers. The Qt view implements it; tests use a recording fake with
// scripted answers.
#pragma once

#include <optional>
#include <string>

namespace ccp::form {

class Control;

class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual void beep() = 0;
    // Give the focus back to `control` once the current event is over.
    virtual void focus(Control& control) = 0;
    virtual void showMessage(const std::string& text) = 0;
    // A longer text in a dialog whose text the user can select and copy;
    // Latin-1 like every text of the window.
    virtual void showReport(const std::string& caption, const std::string& text) {
        showMessage(caption + "\n" + text);
    }
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    virtual void showError(const std::string& text) = 0;
    virtual std::optional<std::string> openFile(const std::string& filter) = 0;
    virtual std::optional<std::string> saveFile(const std::string& filter,
                                                const std::string& defaultExt) = 0;
    // Let the progress dialog paint while a blocking operation holds the thread.
    virtual void repaintProgress() = 0;
    // Close the main window, which ends the program.
    virtual void closeMainWindow() = 0;
};

} // namespace ccp::form
