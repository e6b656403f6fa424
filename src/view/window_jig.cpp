#include "view/window_jig.h"

#include <QCoreApplication>
#include <filesystem>

namespace ccp::view {
namespace {

constexpr const char* kNotKept = "The virtual pager could not be kept: ";

std::string absolute(const std::string& file) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(file, error);
    return error ? file : path.lexically_normal().string();
}

} // namespace

void keepWindowEventsGoing() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

WindowJig::WindowJig(const std::optional<std::string>& word) {
    using link::ParallelPortPolicy;
    if (!word) {
        ppdev_.emplace();
        ppdev_->whileClaimWaits(keepWindowEventsGoing);
        hidapi_.emplace();
        os_.emplace(ParallelPortPolicy::Available);
        return;
    }
    choice_ = jig::parseJig(*word);
    if (!choice_) {
        refusal_ = "--jig takes " + std::string(jig::kJigForms) + ", not '" + *word + "'";
    } else {
        jig::OpenedJig opened =
            jig::openJig(*choice_, {.realTime = true, .keptAfterEachOperation = true});
        jig_ = std::move(opened.jig);
        refusal_ = std::move(opened.reason);
        if (jig_) {
            if (auto* ppdev = dynamic_cast<link::PpdevPortDriver*>(&jig_->port()))
                ppdev->whileClaimWaits(keepWindowEventsGoing);
        }
    }
    // A USB jig, or none: the parallel port is not offered.
    os_.emplace(jig_ && jig_->hid() == nullptr ? ParallelPortPolicy::Available
                                               : ParallelPortPolicy::NotOffered);
}

app::Services WindowJig::services(form::UserInterface& ui, std::string productionLog) {
    if (jig_)
        return {ui, jig_->port(), jig_->clock(), *os_, jig_->hid(), std::move(productionLog)};
    if (ppdev_)
        return {ui, *ppdev_, clock_, *os_, &*hidapi_, std::move(productionLog)};
    return {ui, absent_, clock_, *os_, nullptr, std::move(productionLog)};
}

bool WindowJig::usb() const {
    return jig_ && jig_->hid() != nullptr;
}

void WindowJig::started(app::TForm1& form) {
    if (!choice_ && refusal_.empty())
        return;
    if (!jig_ || usb()) {
        // Until a USB jig is taken there is nothing to read or write.
        form.WriteToPager.setEnabled(false);
        form.ReadFromPager.setEnabled(false);
        form.CompareWithPager.setEnabled(false);
    }
    if (!jig_) {
        form.Memo1.append("No jig: " + refusal_);
        return;
    }
    jig_->ready({form.EepromDeviceSelect, [&form] { form.LPT21Click(); }});
    const std::string file = jig_->pagerFile();
    if (!file.empty())
        form.Memo1.append("Virtual pager: " + absolute(file) +
                          (usb() ? " (USB jig)" : " (parallel jig on LPT1)"));
}

std::string WindowJig::pagerFile() const {
    return jig_ ? jig_->pagerFile() : std::string();
}

std::optional<std::string> WindowJig::keep(app::TForm1& form) {
    if (!jig_)
        return std::nullopt;
    std::optional<std::string> reason = jig_->keep();
    if (reason)
        form.Memo1.append(kNotKept + *reason);
    return reason ? std::optional<std::string>(kNotKept + *reason) : std::nullopt;
}

} // namespace ccp::view
