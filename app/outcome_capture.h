#pragma once

#include <string>

#include "app/console_output.h"

// Passes everything printed on to the output that was in force when it was
// made, and keeps the line that tells a person how the command ended: the first
// line on the error stream (the failure), else the last one on the output
// stream (the summary). The banner, which every command prints first, is never
// the outcome. In force for its own lifetime.
class OutcomeCapture : public OutputSink {
public:
    OutcomeCapture() = default;
    OutcomeCapture(const OutcomeCapture&) = delete;
    OutcomeCapture& operator=(const OutcomeCapture&) = delete;

    void Write(OutputStream stream, const wchar_t* text) override;

    // Empty when the command printed nothing after its banner.
    const std::wstring& Outcome() const { return failure_.empty() ? summary_ : failure_; }
    bool Failed() const { return !failure_.empty(); }

private:
    OutputSink& target_ = OutputSink::Current();
    std::wstring openLine_[2];  // by stream, the text since its last line feed
    bool bannerPassed_ = false;
    std::wstring summary_;
    std::wstring failure_;
    OutputSink::Scope installed_{this};
};
