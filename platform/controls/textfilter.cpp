#include "platform/controls/textfilter.h"

namespace platform {

TextFilter::TextFilter(Rule keep, QObject *parent) : QValidator(parent), keep_(std::move(keep)) {}

QValidator::State TextFilter::validate(QString &input, int &pos) const
{
    QString kept = keep_(input);
    if (kept.size() != input.size()) {
        pos = static_cast<int>(keep_(input.left(pos)).size());
        input = std::move(kept);
    }
    return Acceptable;
}

} // namespace platform
