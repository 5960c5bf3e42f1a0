// corvina-cli undo: takes back the newest batch rewrite not yet undone.
#include <exception>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "core/base/product.h"
#include "core/os/run_lock.h"
#include "core/rewrite/undo.h"

namespace corvina::cli {

int RunUndo(Args args, const Environment& env, Streams io) {
    constexpr const char* kUsage = "usage: corvina-cli undo [--dry-run]\n";
    bool dryRun = false;
    for (const std::string& arg : args) {
        if (arg != "--dry-run" || dryRun) {
            io.err << kUsage;
            return kExitUsage;
        }
        dryRun = true;
    }
    try {
        const DriveMap drives = OpenDriveMap(env);
        const UndoReport report = UndoLastBatch(drives, dryRun, kCliProgramName);
        const std::vector<std::string> problems = UndoProblemLines(report);
        const std::vector<std::string> lines = UndoSummaryLines(report);
        if (!report.missingRoot.empty()) {
            for (const std::string& line : lines) io.err << "corvina-cli: undo: " << line << "\n";
            return kExitFailure;
        }
        // The summary on stdout; what was left alone once, on stderr.
        for (std::size_t i = 0; i + problems.size() < lines.size(); ++i) io.out << lines[i] << "\n";
        for (const std::string& line : problems) io.err << "corvina-cli: undo: " << line << "\n";
        return problems.empty() ? kExitOk : kExitFailure;
    } catch (const RunLockHeld& e) {
        io.err << "corvina-cli: undo: " << e.what() << "\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        io.err << "corvina-cli: undo: " << e.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace corvina::cli
