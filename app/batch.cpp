#include <iostream>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

#include "acquire/VideoSource.h"
#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"
#include "image/PictureMemory.h"

int main(int argc, char* argv[])
{
    quivane::KeepFreedFrameMemory();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || quivane::AsksForHelp(arguments)) {
        std::cout << quivane::BatchUsage();
        return arguments.empty() ? quivane::BatchRefused : quivane::BatchWritten;
    }
    if (quivane::AsksForStageListing(arguments)) {
        std::cout << quivane::StageListing();
        return quivane::BatchWritten;
    }
    auto parsed = quivane::ParseBatchOptions(arguments);
    if (const auto* usage = std::get_if<quivane::UsageError>(&parsed)) {
        std::cerr << "quivane-batch: " << usage->message << "\n(see quivane-batch --help)\n";
        return quivane::BatchRefused;
    }
    quivane::VideoSource::SilenceDecoderMessages();
    // Progress only helps a person watching; scripts get a quiet stderr.
    std::ostream* progress = isatty(STDERR_FILENO) ? &std::cerr : nullptr;
    return quivane::RunBatch(std::get<quivane::BatchOptions>(parsed), std::cout, std::cerr, progress);
}
