#pragma once

#include <string_view>

#include "bench_support.h"
#include "core/base/messages.h"
#include "core/formats/gbp.h"
#include "core/os/clock.h"
#include "core/rewrite/batch_run.h"

// What the batch benchmarks hand the run: boxes and progress that go nowhere, the clock without
// its pauses, and the dialog's choices.
namespace corvina::bench {

class QuietRun : public Messages, public BatchProgress, public SystemClock {
public:
    bool Show(MessageKind, std::string_view) override { return false; }
    void Show() override {}
    void SetText(std::string_view) override {}
    void SetPosition(int) override {}
    void Close() override {}
    void SleepMilliseconds(unsigned) override {}
};

// The three texts and a jacket picture.
inline RewriteRequest BatchRequest() {
    RewriteRequest request;
    request.writeTags = true;
    request.texts = kRequest.texts.value();
    request.writeJacket = true;
    request.jacket = Picture15(kJacketWidth, kJacketHeight);
    return request;
}

}  // namespace corvina::bench
