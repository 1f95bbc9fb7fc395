// ftp_fetch HOST PORT USER PASSWORD REMOTE LOCAL [passive]
// Downloads one file with TFtpClient and prints "bytes seconds MiB/s cpu-seconds".
// An operator tool for measuring the client; exit code 0 on success.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ftp/ftp_client_win.h"

namespace {

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: ftp_fetch HOST PORT USER PASSWORD REMOTE LOCAL [passive]\n");
        return 2;
    }
    try {
        ftp::TFtpClient client;
        client.Host = argv[1];
        client.Port = std::atoi(argv[2]);
        client.UserID = argv[3];
        client.Password = argv[4];
        client.TimeOut = 60000;
        client.Passive = argc > 7 && std::string(argv[7]) == "passive";
        long packets = 0;
        client.OnPacketRecvd = [&packets](void*) { ++packets; };
        client.Connect();
        LARGE_INTEGER frequency, start, stop;
        QueryPerformanceFrequency(&frequency);
        const double cpuBefore = CpuSeconds();
        QueryPerformanceCounter(&start);
        client.Download(argv[5], argv[6]);
        QueryPerformanceCounter(&stop);
        const double cpu = CpuSeconds() - cpuBefore;
        const double seconds =
            static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        const double mib = static_cast<double>(client.BytesTotal()) / (1024.0 * 1024.0);
        std::printf("%ld %.3f %.1f %.3f %ld\n", static_cast<long>(client.BytesTotal()), seconds,
                    mib / seconds, cpu, packets);
        client.Disconnect();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ftp_fetch: %s\n", e.what());
        return 1;
    }
}
