// Carries the system's HID arrivals and removals to the window's HID
// controller: the first scan is posted to the message loop so that it runs
// just after the window is shown, and the back-end's notification descriptor
// is watched for the later ones. While a USB write or read of an operation
// or of a notice's handling waits on the system, the event loop turns
// (without the person's input), so the window repaints and answers the
// window manager.
#pragma once

#include "app/tform1.h"

#include <QObject>

namespace ccp::view {

// The watcher lives as a child of `parent`.
void watchHidDevices(app::TForm1& form, QObject* parent);

} // namespace ccp::view
