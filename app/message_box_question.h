#pragma once

#include "app/confirm.h"
#include "app/console_output.h"

// Puts each yes-or-no question in a Yes/No message box with the question's text,
// and writes the question and its answer as the console shows them, for the
// log, to the output that was in force when it was made (so that they are not
// taken for the outcome). In force for its own lifetime.
class MessageBoxQuestion : public QuestionPrompt {
public:
    MessageBoxQuestion() = default;
    MessageBoxQuestion(const MessageBoxQuestion&) = delete;
    MessageBoxQuestion& operator=(const MessageBoxQuestion&) = delete;

    bool Ask(const wchar_t* question) override;

private:
    OutputSink& log_ = OutputSink::Current();
    QuestionPrompt::Scope installed_{this};
};
