// urlmon_bench URL FILE [URL FILE ...]
// The operating system's own downloader as the reference: URLDownloadToFileA, timed. With several
// pairs every download runs on its own thread, all started at once, and the time is until the
// last one ends.
#include <windows.h>
#include <urlmon.h>

#include <cstdio>
#include <thread>
#include <vector>

namespace {

HRESULT Download(const char* url, const char* file)
{
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const HRESULT hr = ::URLDownloadToFileA(nullptr, url, file, 0, nullptr);
    ::CoUninitialize();
    if (FAILED(hr))
        std::fprintf(stderr, "urlmon_bench: %s failed: 0x%08lx\n", url, static_cast<unsigned long>(hr));
    return hr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (argc - 1) % 2 != 0) {
        std::fprintf(stderr, "usage: urlmon_bench URL FILE [URL FILE ...]\n");
        return 2;
    }
    const int count = (argc - 1) / 2;
    std::vector<HRESULT> results(count, S_OK);
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < count; ++i)
            threads.emplace_back([&, i] { results[i] = Download(argv[1 + 2 * i], argv[2 + 2 * i]); });
    }
    ::QueryPerformanceCounter(&end);
    std::printf("seconds=%.4f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    for (HRESULT hr : results)
        if (FAILED(hr))
            return 1;
    return 0;
}
