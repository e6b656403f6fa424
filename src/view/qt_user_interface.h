// The user interface of the real window: Qt message boxes, the default beep,
// focus requests carried out after the current event, the standard file
// dialogs (replaceable for tests) opening in the folder of the last file
// opened or saved, and progress repaints while an operation holds the thread.
#pragma once

#include "form/user_interface.h"

#include <QPointer>
#include <QString>
#include <functional>

namespace ccp::view {

class MainWindow;

class QtUserInterface : public form::UserInterface {
public:
    // Stands in for the file dialog: the name the user chose, as shown.
    using FileChooser = std::function<std::optional<QString>(bool save, const std::string& filter,
                                                             const std::string& defaultExt)>;

    // Boxes shown before the window exists have no parent.
    void attach(MainWindow* window) { window_ = window; }
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    void beep() override;
    void focus(form::Control& control) override;
    void showMessage(const std::string& text) override;
    // A modal dialog with the text read-only, to select and copy from.
    void showReport(const std::string& caption, const std::string& text) override;
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void showError(const std::string& text) override;
    std::optional<std::string> openFile(const std::string& filter) override;
    std::optional<std::string> saveFile(const std::string& filter,
                                        const std::string& defaultExt) override;
    void repaintProgress() override;
    void closeMainWindow() override;

private:
    std::optional<std::string> chooseFile(bool save, const std::string& filter,
                                          const std::string& defaultExt);
    std::optional<QString> runFileDialog(bool save, const std::string& filter,
                                         const std::string& defaultExt);
    QPointer<MainWindow> window_;
    FileChooser chooser_;
};

// "*.bin, *.eep|*.eep; *.bin" -> "*.bin, *.eep (*.eep *.bin)": description and
// pattern pairs separated by bars, patterns separated by semicolons.
QString qtFileFilter(const std::string& filter);

// The folder of the last file opened or saved, kept in the application's
// QSettings between runs: the one setting the window remembers.
QString lastFolder();
void rememberFolderOf(const QString& file);

} // namespace ccp::view
