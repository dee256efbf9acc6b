#pragma once

#include <QValidator>

#include <functional>

namespace platform {

// Keeps a text box's text within a rule as the user types or pastes (and
// when code sets the text): the rule returns the text with the characters it
// refuses taken out, and the box shows what the rule kept, with the cursor
// where it stood among the kept characters. The rule must only remove
// characters, never add or change any.
class TextFilter final : public QValidator
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextFilter)

public:
    using Rule = std::function<QString(const QString &)>;

    explicit TextFilter(Rule keep, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

private:
    Rule keep_;
};

} // namespace platform
