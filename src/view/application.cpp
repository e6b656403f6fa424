#include "view/application.h"

#include <QMessageBox>
#include <exception>

namespace ccp::view {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName("capcode-programmer");
    setApplicationName("Capcode Programmer");
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showUnhandledError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showUnhandledError(QString());
    }
    return false;
}

void showUnhandledError(const QString& message) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
}

} // namespace ccp::view
