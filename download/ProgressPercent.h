#pragma once
// How far a download has come, as the task list shows it. Platform-neutral.
#include <chrono>

// The whole percentage: 0 unless both the count and the announced size are above 0, else
// count x 100 / size rounded down; more than 100 when the body is longer than announced. Both
// are at most a few GB, so the product stays far inside 64 bits.
constexpr long long ProgressPercent(long long received, long long size)
{
    return received > 0 && size > 0 ? received * 100 / size : 0;
}

// The download worker reports the first piece, and after that a piece that changes the
// percentage or takes the count this far past the last report (so a movie without a size still
// moves), but not sooner than kProgressReportGap after the last report.
constexpr long long kProgressReportStep = 1 << 20;
constexpr std::chrono::milliseconds kProgressReportGap{20};
