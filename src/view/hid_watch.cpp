#include "view/hid_watch.h"

#include <QSocketNotifier>
#include <QTimer>

namespace ccp::view {

void watchHidDevices(app::TForm1& form, QObject* parent) {
    link::THidDeviceController& controller = form.HidCtl;
    QTimer::singleShot(0, parent, [&form, &controller] {
        form.dispatch([&controller] {
            controller.DeviceNotification(link::THidDeviceController::kStartMarker);
        });
    });
    const int fd = controller.backend().notificationFd();
    if (fd < 0)
        return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [&form, &controller] {
        if (controller.backend().drainNotifications())
            form.dispatch([&controller] { controller.DeviceNotification(0); });
    });
}

} // namespace ccp::view
