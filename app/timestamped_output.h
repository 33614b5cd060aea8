#pragma once

#include "app/console_output.h"

// Begins every line printed through it with the local time as
// "YYYY-MM-DD HH:MM:SS " and passes the text on to the output that was in force
// when it was made. It is in force for its own lifetime. Lines are stamped
// once: one made while another lives passes the text on as it is.
class TimestampedOutput : public OutputSink {
public:
    TimestampedOutput() : stamps_(living_++ == 0) {}
    ~TimestampedOutput() override { --living_; }
    TimestampedOutput(const TimestampedOutput&) = delete;
    TimestampedOutput& operator=(const TimestampedOutput&) = delete;

    void Write(OutputStream stream, const wchar_t* text) override;

    // Ends a line that a text left open (one printed without its line feed), so
    // that whatever comes next starts a line with its own time.
    void EndOpenLines();

private:
    inline static int living_ = 0;
    const bool stamps_;
    OutputSink& target_ = OutputSink::Current();
    bool atLineStart_[2] = {true, true};  // by stream
    OutputSink::Scope installed_{this};
};
