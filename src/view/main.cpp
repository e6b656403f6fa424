// Program start: the application object, the main window with its start-up
// sequence, the hidden progress dialog, the first scan for a USB jig posted
// to the message loop, then the message loop until the main window closes.
#include "app/tform1.h"
#include "link/clock.h"
#include "link/hidapi_backend.h"
#include "link/os_info.h"
#include "link/ppdev_port_driver.h"
#include "ops/production_log.h"
#include "ops/stored_records.h"
#include "view/application.h"
#include "view/hid_watch.h"
#include "view/main_window.h"
#include "view/qt_user_interface.h"

#include <exception>

#ifndef CCP_CUSTOMER_PROFILE
#define CCP_CUSTOMER_PROFILE 1
#endif

int main(int argc, char** argv) {
    ccp::view::Application application(argc, argv);
    try {
        ccp::view::QtUserInterface ui;
        ccp::link::PpdevPortDriver port;
        ccp::link::SteadyClock clock;
        ccp::link::LinuxOsInfo os;
        ccp::link::HidapiBackend hid;
        // The record goes to the store; what it cannot take waits in the
        // JSON-lines file, which the store takes in when it is opened.
        const std::string pending = ccp::ops::defaultProductionLogPath();
        auto store = ccp::ops::openProductionStore({}, pending);
        ccp::app::TForm1 form({ui,
                               port,
                               clock,
                               os,
                               &hid,
                               {},
                               store.ok() ? store.value->get() : nullptr,
                               store.ok() ? std::string() : store.failure.message,
                               pending},
                              CCP_CUSTOMER_PROFILE);
        ccp::view::MainWindow window(form);
        ui.attach(&window);
        window.show();
        ccp::view::watchHidDevices(form, &window);
        return application.exec();
    } catch (const std::exception& error) {
        ccp::view::showUnhandledError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ccp::view::showUnhandledError(QString());
    }
    return 1;
}
