// The application object: an error that escapes an event handler is shown in
// an error box with its message (an empty message for anything that is not
// an error object), and the window goes on with the next event.
#pragma once

#include <QApplication>
#include <thread>

namespace ccp::view {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

void showUnhandledError(const QString& message);

// Qt reads the system's font configuration (some dozens of XML files and the
// font caches) when the first text is measured, which for the main window is
// while its widgets are built. Made before the application object, this
// reads it on a second thread while the application connects to the
// display; join() waits for it. Without fontconfig it does nothing.
class FontConfigurationReader {
public:
    FontConfigurationReader();
    ~FontConfigurationReader() { join(); }
    FontConfigurationReader(const FontConfigurationReader&) = delete;
    FontConfigurationReader& operator=(const FontConfigurationReader&) = delete;
    void join();

private:
    std::thread thread_;
};

// Qt loads every image format plugin the first time it reads an image whose
// format it must guess, which the menu bar does for the icon of its
// extension button and the style for its first check mark: some
// milliseconds of library loading. Made once the application object exists,
// this has a second thread do it while the window is built; the destructor
// waits for it.
class ImageFormatLoader {
public:
    ImageFormatLoader();
    ~ImageFormatLoader();
    ImageFormatLoader(const ImageFormatLoader&) = delete;
    ImageFormatLoader& operator=(const ImageFormatLoader&) = delete;

private:
    std::thread thread_;
};

} // namespace ccp::view
