// fetch_bench URL [EXPECTED_BYTES]
// Fetches one address with CHttpClient on this thread and prints the time taken and the
// process's memory before and at its peak, as "key=value" lines for bench/fetch-bench.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "CHttpClient.h"

namespace {

class CMeasuredFetch : public CHttpClient {
public:
    long long m_nReceived = 0;
    bool m_bCompleted = false;
    void OnComplete() override
    {
        m_nReceived = m_nResponseLen;
        m_bCompleted = true;
        FreeResponse();
    }
};

PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fetch_bench URL [EXPECTED_BYTES]\n");
        return 2;
    }
    const long long expected = argc > 2 ? std::atoll(argv[2]) : -1;
    CMeasuredFetch fetch;
    const PROCESS_MEMORY_COUNTERS before = Memory();
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    fetch.Request(argv[1]);
    ::QueryPerformanceCounter(&end);
    const PROCESS_MEMORY_COUNTERS after = Memory();

    std::printf("seconds=%.4f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    std::printf("bytes=%lld\n", fetch.m_nReceived);
    std::printf("working_set_before_mib=%.1f\n", before.WorkingSetSize / 1048576.0);
    std::printf("peak_working_set_mib=%.1f\n", after.PeakWorkingSetSize / 1048576.0);
    std::printf("peak_private_mib=%.1f\n", after.PeakPagefileUsage / 1048576.0);
    if (!fetch.m_bCompleted || (expected >= 0 && fetch.m_nReceived < expected)) {
        std::fprintf(stderr, "fetch_bench: incomplete (%s)\n", fetch.m_szError);
        return 1;
    }
    return 0;
}
