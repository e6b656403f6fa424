// The smallest Qt Widgets window: one label, shown, and the message loop. The
// yardstick against which the program's start-up is measured.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QLabel label("One label");
    label.setWindowTitle("One label");
    label.show();
    return application.exec();
}
