// corvina-cli batch: the program's batch rewrite without windows, over host paths.
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "core/base/messages.h"
#include "core/base/path_text.h"
#include "core/base/product.h"
#include "core/formats/gbp.h"
#include "core/os/clock.h"
#include "core/pictures/picture_import.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/journal_writer.h"

namespace corvina::cli {

namespace {

constexpr std::string_view kBatchUsage =
    "usage: corvina-cli batch --player DIR [--artist T --album T --genre T [--number]] "
    "[--picture FILE] FILE...\n";

int Usage(Streams io, std::string_view problem) {
    io.err << "corvina-cli: batch: " << problem << "\n" << kBatchUsage;
    return kExitUsage;
}

// A box's text on its own lines: '\r' is the boxes' line break.
void PrintBox(std::ostream& out, std::string_view text) {
    for (const char c : text) out << (c == '\r' ? '\n' : c);
    if (text.empty() || text.back() != '\r') out << '\n';
}

// The boxes as lines: plain boxes on stdout, error boxes on stderr.
class PrintedMessages : public Messages {
public:
    explicit PrintedMessages(Streams io) : io_(io) {}
    bool Show(MessageKind kind, std::string_view text) override {
        if (kind == MessageKind::Plain) {
            PrintBox(io_.out, text);
        } else {
            io_.err << "corvina-cli: batch: ";
            PrintBox(io_.err, text);
        }
        return false;
    }

private:
    Streams io_;
};

class NoProgress : public BatchProgress {
public:
    void Show() override {}
    void SetText(std::string_view) override {}
    void SetPosition(int) override {}
    void Close() override {}
};

// The clock without its pauses, which only let a window show.
class NoPauseClock : public SystemClock {
public:
    void SleepMilliseconds(unsigned) override {}
};

}  // namespace

int RunBatch(Args args, const Environment& env, Streams io) {
    constexpr std::string_view kValues[] = {"--player", "--artist", "--album", "--genre",
                                            "--picture"};
    constexpr std::string_view kFlags[] = {"--number"};
    std::string problem;
    const std::optional<Options> options = ParseOptions(args, kValues, kFlags, problem);
    if (!options) return Usage(io, problem);
    const std::optional<std::string> player = options->Value("--player");
    const std::optional<std::string> picture = options->Value("--picture");
    const bool number = options->Flag("--number");
    const std::vector<std::string>& files = options->operands;
    if (!player || player->empty()) return Usage(io, "--player DIR is needed");
    std::optional<TagTexts> texts;
    if (!TagTextOptions(*options, texts))
        return Usage(io, "--artist, --album and --genre go together");
    if (number && !texts) return Usage(io, "--number goes with the texts");
    if (!texts && !picture) return Usage(io, "nothing to do: give the texts, --picture or both");
    if (files.empty()) return Usage(io, "no FILE given");

    // The journal that lets `corvina-cli undo` take the run back goes to the drive map's drive C,
    // which a first run creates as the desktop program does.
    std::optional<DriveMap> drives;
    try {
        drives.emplace(OpenDriveMap(env));
        drives->CreateLayout();
    } catch (const std::exception& e) {
        io.err << "corvina-cli: batch: " << e.what() << "\n";
        return kExitFailure;
    }
    JournalWriter journal(*drives, kCliProgramName);

    PrintedMessages messages(io);
    NoProgress progress;
    NoPauseClock clock;
    // Every file must lie inside the player's folder; undo writes nowhere else.
    HostPathSpace paths(PathFromUtf8(*player));
    BatchRun run{paths,
                 messages,
                 progress,
                 clock,
                 [&]() -> std::optional<RewriteRequest> {
                     RewriteRequest request;
                     request.writeTags = texts.has_value();
                     if (texts) request.texts = *texts;
                     request.numberTracks = number;
                     request.writeJacket = picture.has_value();
                     if (picture)
                         request.jacket =
                             ImportPicture(PathFromUtf8(*picture), kJacketWidth, kJacketHeight);
                     return request;
                 },
                 &journal};
    try {
        const BatchOutcome outcome = corvina::RunBatch(files, *player, run);
        return outcome.kind == BatchOutcome::Kind::Done ? kExitOk : kExitFailure;
    } catch (const std::exception& e) {
        io.err << "corvina-cli: batch: " << e.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace corvina::cli
