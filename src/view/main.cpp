// Program start: the command line, the application object, the jig --jig
// names, the main window with its start-up sequence, the hidden progress
// dialog, the first scan for a USB jig posted to the message loop, then the
// message loop until the main window closes.
#include "app/tform1.h"
#include "ops/placement_probe.h"
#include "ops/production_log.h"
#include "ops/stored_records.h"
#include "view/application.h"
#include "view/command_line.h"
#include "view/hid_watch.h"
#include "view/main_window.h"
#include "view/qt_user_interface.h"
#include "view/series_menu.h"
#include "view/window_jig.h"

#include <QTimer>
#include <exception>
#include <filesystem>

#ifndef CCP_CUSTOMER_PROFILE
#define CCP_CUSTOMER_PROFILE 1
#endif

int main(int argc, char** argv) {
    if (const std::optional<int> status = ccp::view::answerWithoutDisplay(argc, argv))
        return *status;
    ccp::view::FontConfigurationReader fonts;
    ccp::view::Application application(argc, argv);
    const ccp::view::ImageFormatLoader images;
    try {
        const ccp::view::WindowOptions options = ccp::view::parseOptions(application);
        ccp::view::QtUserInterface ui;
        ccp::view::WindowJig jig(options.jig);
        // The record goes to the store, opened when the first record comes;
        // what it cannot take waits in the JSON-lines file, which the store
        // takes in when it is opened.
        const std::string pending = ccp::ops::defaultProductionLogPath();
        ccp::app::Services services = jig.services(ui, {});
        services.pendingRecords = pending;
        ccp::app::TForm1 form(services, CCP_CUSTOMER_PROFILE);
        form.records.openWhenFirstNeeded(
            [pending, db = options.db] { return ccp::ops::openProductionStore(db, pending); });
        jig.started(form);
        fonts.join();
        ccp::view::MainWindow window(form);
        ui.attach(&window);
        QString titleNote;
        if (const std::string file = jig.pagerFile(); !file.empty())
            titleNote = " - Virtual pager: " +
                        QString::fromStdString(std::filesystem::path(file).filename().string());
        window.setTitleNote(titleNote);
        ccp::view::WindowStore store(form, options.db, pending);
        ccp::ops::PlacementProbe probe(form.pagerOperations, form.transfers,
                                       form.EepromDeviceSelect);
        ccp::view::SeriesMenu series(window, ui, store, titleNote);
        series.setProbe({[&probe] { return probe.look(); }, [&probe] { probe.stop(); },
                         [&jig] { return jig.fault(); }});
        window.setAfterPagerOperation([&jig, &form, &ui] {
            if (const std::optional<std::string> reason = jig.keep(form))
                ui.showError(*reason);
        });
        window.show();
        if (!jig.refusal().empty())
            QTimer::singleShot(0, &window,
                               [&ui, &jig] { ui.showError("No jig: " + jig.refusal()); });
        ccp::view::watchHidDevices(form, &window);
        return application.exec();
    } catch (const std::exception& error) {
        ccp::view::showUnhandledError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ccp::view::showUnhandledError(QString());
    }
    return 1;
}
