#include "view/qt_user_interface.h"

#include "view/main_window.h"
#include "view/text.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStringList>
#include <QVBoxLayout>

namespace ccp::view {

QString qtFileFilter(const std::string& filter) {
    const QStringList parts = toQt(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        filters << parts[i].trimmed() + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

namespace {
constexpr const char* kLastFolder = "lastFolder";
} // namespace

QString lastFolder() {
    return QSettings().value(kLastFolder).toString();
}

void rememberFolderOf(const QString& file) {
    QSettings().setValue(kLastFolder, QFileInfo(file).absolutePath());
}

void QtUserInterface::beep() {
    QApplication::beep();
}

void QtUserInterface::focus(form::Control& control) {
    if (window_ == nullptr)
        return;
    QWidget* widget = window_->widgetFor(control);
    if (widget == nullptr)
        return;
    // After the current event: the focus change that triggered the rule is
    // over. It is the rule's, not the user's: no exit rule runs for it.
    window_->gate().requestFocus(widget);
}

void QtUserInterface::showReport(const std::string& caption, const std::string& text) {
    QDialog dialog(window_);
    dialog.setObjectName("ReportDialog");
    dialog.setWindowTitle(toQt(caption));
    auto* view = new QPlainTextEdit(toQt(text), &dialog);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setMinimumSize(480, 320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.exec();
}

void QtUserInterface::showMessage(const std::string& text) {
    QMessageBox::information(window_, QApplication::applicationName(), toQt(text));
}

bool QtUserInterface::askYesNo(const std::string& caption, const std::string& text) {
    return QMessageBox::question(window_, toQt(caption), toQt(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtUserInterface::showError(const std::string& text) {
    QMessageBox::critical(window_, QApplication::applicationName(), toQt(text));
}

std::optional<std::string> QtUserInterface::chooseFile(bool save, const std::string& filter,
                                                       const std::string& defaultExt) {
    std::optional<QString> chosen;
    if (chooser_) {
        chosen = chooser_(save, filter, defaultExt);
    } else {
        chosen = runFileDialog(save, filter, defaultExt);
    }
    if (!chosen)
        return std::nullopt;
    // File names go to the C++ file streams in the system's encoding.
    const std::string bytes = chosen->toLocal8Bit().toStdString();
    if (window_ != nullptr)
        window_->fileNames().remember(bytes, *chosen);
    return bytes;
}

std::optional<QString> QtUserInterface::runFileDialog(bool save, const std::string& filter,
                                                      const std::string& defaultExt) {
    QFileDialog dialog(window_);
    dialog.setNameFilter(qtFileFilter(filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!defaultExt.empty())
        dialog.setDefaultSuffix(toQt(defaultExt));
    if (const QString folder = lastFolder(); !folder.isEmpty())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    rememberFolderOf(dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

std::optional<std::string> QtUserInterface::openFile(const std::string& filter) {
    return chooseFile(false, filter, {});
}

std::optional<std::string> QtUserInterface::saveFile(const std::string& filter,
                                                     const std::string& defaultExt) {
    return chooseFile(true, filter, defaultExt);
}

void QtUserInterface::repaintProgress() {
    if (window_ == nullptr)
        return;
    if (QDialog* dialog = window_->progressDialog(); dialog->isVisible())
        dialog->repaint();
    // Paint what is pending without taking user input.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUserInterface::closeMainWindow() {
    if (window_ != nullptr)
        window_->close();
}

} // namespace ccp::view
