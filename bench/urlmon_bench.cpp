// urlmon_bench URL FILE
// The operating system's own downloader as the reference: URLDownloadToFileA, timed.
#include <windows.h>
#include <urlmon.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: urlmon_bench URL FILE\n");
        return 2;
    }
    ::CoInitialize(nullptr);
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const HRESULT hr = ::URLDownloadToFileA(nullptr, argv[1], argv[2], 0, nullptr);
    ::QueryPerformanceCounter(&end);
    std::printf("seconds=%.4f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    ::CoUninitialize();
    if (FAILED(hr)) {
        std::fprintf(stderr, "urlmon_bench: URLDownloadToFileA failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    return 0;
}
