#include "view/hid_watch.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace ccp::view {

void watchHidDevices(app::TForm1& form, QObject* parent) {
    link::THidDeviceController& controller = form.HidCtl;
    // A write to a jig that takes no reports waits 5 s in the kernel, a reply
    // up to its command's time-out: the loop keeps turning meanwhile, without
    // the person's input, as between the chunks of a transfer. Only inside an
    // event of the form while USB notices wait (an operation, the handling of
    // a notice): there nothing the loop delivers reaches the device in use
    // or starts another look at it. Elsewhere the wait holds the loop.
    controller.backend().setWaitHook([&form, &controller] {
        if (form.inEvent() && controller.NoticesWait())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
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
