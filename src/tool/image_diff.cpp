#include "tool/image_diff.h"

#include "tool/latin1.h"

#include <ostream>

namespace ccp::tool {

ImageDiff diffForms(const HeadlessForm& a, const HeadlessForm& b) {
    return app::diffWindows(a.form(), b.form());
}

void printDiff(const ImageDiff& diff, std::ostream& out) {
    for (const std::string& line : app::diffLines(diff))
        out << printableUtf8(line) << '\n';
}

} // namespace ccp::tool
