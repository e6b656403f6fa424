#include "view/command_line.h"

#include "jig/jig.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstring>

#ifndef CCP_VERSION
#define CCP_VERSION "0"
#endif

namespace ccp::view {
namespace {

const QString kJig = QStringLiteral("jig");
const QString kDb = QStringLiteral("db");

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Reads, edits and writes the configuration of pagers through a programming jig.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        kJig,
        QString("The jig to drive: %1. lpt1 and lpt2 are the parallel jig, usb the USB jig; "
                "sim:FILE and sim-usb:FILE put a virtual pager kept in FILE on the parallel "
                "or the USB jig. Without it the parallel port is probed and USB jigs are "
                "watched.")
            .arg(jig::kJigForms),
        "JIG"));
    parser.addOption(QCommandLineOption(
        kDb,
        "The production store of the records and the series: a postgresql:// URL, or a SQLite "
        "file (default: $XDG_DATA_HOME/capcode-programmer/production.db).",
        "URL"));
}

} // namespace

std::optional<int> answerWithoutDisplay(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], option) == 0;
    }
    if (!asked)
        return std::nullopt;
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName("capcode-programmer");
    QCoreApplication::setApplicationVersion(CCP_VERSION);
    QCommandLineParser parser;
    describe(parser);
    // Prints the help or the version and ends the program with status 0.
    parser.process(core);
    return 0;
}

WindowOptions parseOptions(const QCoreApplication& application) {
    QCoreApplication::setApplicationVersion(CCP_VERSION);
    QCommandLineParser parser;
    describe(parser);
    parser.process(application);
    WindowOptions options;
    if (parser.isSet(kJig))
        options.jig = parser.value(kJig).toStdString();
    if (parser.isSet(kDb))
        options.db = parser.value(kDb).toStdString();
    return options;
}

} // namespace ccp::view
