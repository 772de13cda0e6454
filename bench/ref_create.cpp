// ref_create: how far creating files in one folder scales with threads on this machine.
//
// Usage: ref_create FOLDER COUNT BYTES THREADS REPEATS
// Each thread creates its share of COUNT new files of BYTES bytes in FOLDER (exclusive create,
// one write, close); the folder is emptied between repeats. Prints the median in seconds as
// "seconds N". It is the file-system part of converting many small files into one folder,
// with no reading or converting at all: a parallel batch cannot scale better than this.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: ref_create FOLDER COUNT BYTES THREADS REPEATS\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]), threads = std::max(1, std::atoi(argv[4])), repeats = std::max(1, std::atoi(argv[5]));
    const std::vector<char> payload(static_cast<std::size_t>(std::max(0, std::atoi(argv[3]))), 'x');
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                for (int i = t; i < count; i += threads) {
                    const std::string path = folder + "/f" + std::to_string(i) + ".dsx";
                    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
                    if (fd < 0 || ::write(fd, payload.data(), payload.size()) != static_cast<ssize_t>(payload.size())) {
                        std::perror(path.c_str());
                        std::exit(1);
                    }
                    ::close(fd);
                }
            });
        }
        for (std::thread& w : workers) w.join();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::filesystem::remove_all(folder);
    std::sort(times.begin(), times.end());
    std::printf("seconds %.6f\n", times[times.size() / 2]);
    return 0;
}
