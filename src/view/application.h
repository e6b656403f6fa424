// The application object: an error that escapes an event handler is shown in
// an error box with its message (an empty message for anything that is not
// an error object), and the window goes on with the next event.
#pragma once

#include <QApplication>

namespace ccp::view {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

void showUnhandledError(const QString& message);

} // namespace ccp::view
