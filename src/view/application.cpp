#include "view/application.h"

#include <QBuffer>
#include <QImageReader>
#include <QMessageBox>
#include <dlfcn.h>
#include <exception>
#include <system_error>

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

FontConfigurationReader::FontConfigurationReader() {
    // Qt's own fontconfig, found among the libraries already loaded; FcInit
    // keeps the configuration it reads for every later caller, and two
    // threads calling it at once is safe.
    using Init = int (*)();
    const auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FcInit"));
    if (init == nullptr)
        return;
    try {
        thread_ = std::thread(init);
    } catch (const std::system_error&) {
        // No thread: Qt reads the configuration itself when it needs it.
    }
}

void FontConfigurationReader::join() {
    if (thread_.joinable())
        thread_.join();
}

ImageFormatLoader::ImageFormatLoader() {
    try {
        thread_ = std::thread([] {
            // Bytes that no format reads: each plugin is loaded and asked.
            QByteArray nothing(16, '\0');
            QBuffer buffer(&nothing);
            buffer.open(QIODevice::ReadOnly);
            QImageReader(&buffer).canRead();
        });
    } catch (const std::system_error&) {
        // No thread: Qt loads the plugins itself when it needs them.
    }
}

ImageFormatLoader::~ImageFormatLoader() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace ccp::view
