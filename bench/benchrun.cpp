// Times whole conversions with the built program and with GPSBabel on the
// same generated files, and prints one table. Wall time is the median of
// several runs; peak memory is the largest resident set of any run.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Measure {
    bool finished = false;  // false: killed at the time limit
    int status = -1;
    double seconds = 0;
    long peakKiB = 0;
};

// Runs a program with its output discarded; kills it after `limit` seconds.
Measure RunOnce(const std::vector<std::string>& argv, double limit, const std::string& configHome) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    Measure m;
    if (pid < 0) {
        return m;
    }
    for (;;) {
        int status = 0;
        rusage usage{};
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done == pid) {
            m.finished = true;
            m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            m.seconds = elapsed;
            m.peakKiB = usage.ru_maxrss;
            return m;
        }
        if (elapsed > limit) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            m.seconds = elapsed;
            m.peakKiB = usage.ru_maxrss;
            return m;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

Measure Run(const std::vector<std::string>& argv, int runs, double limit,
            const std::string& configHome) {
    std::vector<double> times;
    Measure worst;
    for (int i = 0; i < runs; ++i) {
        const Measure m = RunOnce(argv, limit, configHome);
        if (!m.finished) {
            return m;
        }
        times.push_back(m.seconds);
        worst.finished = true;
        worst.status = std::max(worst.status, m.status);
        worst.peakKiB = std::max(worst.peakKiB, m.peakKiB);
    }
    std::sort(times.begin(), times.end());
    worst.seconds = times[times.size() / 2];
    return worst;
}

double FileMiB(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) / (1024.0 * 1024.0) : 0;
}

std::string Seconds(const Measure& m, double limit) {
    char text[64];
    if (!m.finished) {
        std::snprintf(text, sizeof text, "> %.0f s", limit);
    } else {
        std::snprintf(text, sizeof text, "%.2f s%s", m.seconds, m.status == 0 ? "" : " (!)");
    }
    return text;
}

std::string Mib(long kib) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MiB", static_cast<double>(kib) / 1024.0);
    return text;
}

struct Format {
    const char* name;      // in the table
    const char* suffix;    // file ending
    const char* flag;      // our output flag, or nullptr for input only
    const char* babel;     // GPSBabel input format, or nullptr
    const char* babelOut;  // GPSBabel output format
    bool gdb3;             // written with the option "GDB format" at version 3
};

const Format kFormats[] = {
    {"GPX", ".gpx", "/x:", "gpx", "gpx", false},
    {"XML LOC", ".loc", "/l:", "geo", "geo", false},
    {"MPS", ".mps", "/s:", nullptr, nullptr, false},
    {"GDB", ".gdb", "/g:", "gdb", "gdb", false},
    {"GDB v3", ".v3.gdb", "/g:", "gdb", "gdb,ver=3", true},
    {"TerraByte", ".tb.loc", "/e:", "easygps", "easygps", false},
};

// The conversions GPSBabel is measured on as well.
bool BabelRow(const Format& in, const Format& out) {
    const std::string i = in.name;
    const std::string o = out.name;
    return (i == "GPX" &&
            (o == "GDB" || o == "GDB v3" || o == "XML LOC" || o == "TerraByte" || o == "GPX")) ||
           ((i == "GDB" || i == "GDB v3") && o == "XML LOC") || (i == "XML LOC" && o == "GPX");
}

// GDB version 3 is measured on its way in from GPX and on its way out to
// XML LOC; the other formats on every conversion between them.
bool MeasuredRow(const Format& in, const Format& out) {
    if (in.gdb3 || out.gdb3) {
        return (std::string(in.name) == "GPX" && out.gdb3) ||
               (in.gdb3 && std::string(out.name) == "XML LOC");
    }
    return true;
}

// The conversion names in a comma-separated list ("GPX -> GDB v3,...").
std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t comma = text.find(',', pos);
        parts.push_back(
            text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
        if (comma == std::string::npos) {
            break;
        }
        pos = comma + 1;
    }
    return parts;
}

// A format's name as part of a file name.
std::string FileTag(std::string name) {
    std::replace(name.begin(), name.end(), ' ', '-');
    return name;
}

// A settings folder for the runs that write GDB version 3.
bool WriteGdb3Settings(const std::string& configHome) {
    mkdir(configHome.c_str(), 0755);
    mkdir((configHome + "/Wayfold").c_str(), 0755);
    FILE* ini = std::fopen((configHome + "/Wayfold/Wayfold.ini").c_str(), "w");
    if (ini == nullptr) {
        return false;
    }
    const bool written = std::fputs("[Program Settings]\nGdbVersion=3\n", ini) >= 0;
    return std::fclose(ini) == 0 && written;
}

std::optional<std::vector<long>> ParseSizes(const char* text) {
    std::vector<long> sizes;
    std::string s = text;
    size_t pos = 0;
    while (pos <= s.size()) {
        const size_t comma = s.find(',', pos);
        const std::string part =
            s.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        const long n = std::atol(part.c_str());
        if (n <= 0) {
            return std::nullopt;
        }
        sizes.push_back(n);
        if (comma == std::string::npos) {
            break;
        }
        pos = comma + 1;
    }
    return sizes;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: wayfold-bench --program WAYFOLD --generator GENERATE --work DIR\n"
                 "                     [--sizes 10000,100000] [--runs 3] [--limit 60]\n"
                 "                     [--only \"GPX -> GDB v3,GDB v3 -> XML LOC\"]\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string program, generator, work;
    std::vector<long> sizes = {10000, 100000};
    int runs = 3;
    double limit = 60;
    std::vector<std::string> only;  // empty: every row
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--program") {
            program = argv[i + 1];
        } else if (key == "--generator") {
            generator = argv[i + 1];
        } else if (key == "--work") {
            work = argv[i + 1];
        } else if (key == "--sizes") {
            const auto parsed = ParseSizes(argv[i + 1]);
            if (!parsed) {
                return Usage();
            }
            sizes = *parsed;
        } else if (key == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (key == "--limit") {
            limit = std::max(1.0, std::atof(argv[i + 1]));
        } else if (key == "--only") {
            if (argv[i + 1][0] != '\0') {
                only = SplitList(argv[i + 1]);
            }
        } else {
            return Usage();
        }
    }
    if (program.empty() || generator.empty() || work.empty()) {
        return Usage();
    }
    const bool haveBabel = std::system("gpsbabel -V >/dev/null 2>&1") == 0;
    const std::string configHome = work + "/config";
    const std::string configGdb3 = work + "/config-gdb3";
    mkdir(work.c_str(), 0755);
    mkdir(configHome.c_str(), 0755);
    if (!WriteGdb3Settings(configGdb3)) {
        std::fprintf(stderr, "cannot write the settings in %s\n", configGdb3.c_str());
        return 1;
    }

    struct Row {
        std::string conversion;
        long n;
        double inputMiB;
        Measure ours;
        std::optional<Measure> babel;
        // The written files' sizes: ours over GPSBabel's for the same job.
        double outputRatio = 0;
    };
    std::vector<Row> rows;
    for (const long n : sizes) {
        const std::string dir = work + "/" + std::to_string(n);
        mkdir(dir.c_str(), 0755);
        const std::string base = dir + "/input";
        std::fprintf(stderr, "Generating %ld caches...\n", n);
        if (RunOnce({generator, "gpx", std::to_string(n), base + ".gpx"}, 3600, configHome)
                    .status != 0 ||
            RunOnce({generator, "loc", std::to_string(n), base + ".loc"}, 3600, configHome)
                    .status != 0) {
            std::fprintf(stderr, "the generator failed\n");
            return 1;
        }
        // The MapSource and TerraByte inputs are our own writers' output.
        const Measure made = RunOnce({program, "--headless", base + ".gpx", "/s:" + base + ".mps",
                                      "/g:" + base + ".gdb", "/e:" + base + ".tb.loc", "/q"},
                                     3600, configHome);
        const Measure madeGdb3 =
            RunOnce({program, "--headless", base + ".gpx", "/g:" + base + ".v3.gdb", "/q"}, 3600,
                    configGdb3);
        if (!made.finished || !madeGdb3.finished || FileMiB(base + ".gdb") == 0 ||
            FileMiB(base + ".v3.gdb") == 0) {
            std::fprintf(stderr, "wayfold could not write the MPS, GDB and TerraByte inputs\n");
            return 1;
        }
        for (const Format& in : kFormats) {
            for (const Format& out : kFormats) {
                const std::string conversion = std::string(in.name) + " -> " + out.name;
                // GPX to GPX is the one conversion of a format to itself
                // that users make (a pocket query for a device).
                if (out.flag == nullptr || (&in == &out && std::string(in.name) != "GPX") ||
                    !MeasuredRow(in, out) ||
                    (!only.empty() &&
                     std::find(only.begin(), only.end(), conversion) == only.end())) {
                    continue;
                }
                const std::string input = base + in.suffix;
                const std::string output = dir + "/out-" + FileTag(in.name) + out.suffix;
                Row row{conversion, n, FileMiB(input), {}, std::nullopt};
                std::fprintf(stderr, "%s, %ld caches\n", row.conversion.c_str(), n);
                row.ours = Run({program, "--headless", input, out.flag + output, "/q"}, runs, limit,
                               out.gdb3 ? configGdb3 : configHome);
                if (haveBabel && BabelRow(in, out)) {
                    row.babel = Run({"gpsbabel", "-i", in.babel, "-f", input, "-o", out.babelOut,
                                     "-F", output + ".babel"},
                                    1, limit, configHome);
                    const double babelMiB = row.babel->finished ? FileMiB(output + ".babel") : 0;
                    row.outputRatio = babelMiB > 0 ? FileMiB(output) / babelMiB : 0;
                }
                rows.push_back(row);
            }
        }
    }

    std::printf(
        "| Conversion | Caches | Input | Wayfold | Wayfold peak | Peak / input | GPSBabel | "
        "GPSBabel peak | GPSBabel / Wayfold | Output / GPSBabel's |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Row& r : rows) {
        char input[32], ratio[32] = "", perInput[32];
        std::snprintf(input, sizeof input, "%.1f MiB", r.inputMiB);
        std::snprintf(perInput, sizeof perInput, "%.2f",
                      r.inputMiB > 0 ? r.ours.peakKiB / 1024.0 / r.inputMiB : 0.0);
        std::string babel = "", babelPeak = "";
        if (r.babel) {
            babel = Seconds(*r.babel, limit);
            babelPeak = r.babel->finished ? Mib(r.babel->peakKiB) : "";
            if (r.ours.seconds > 0) {
                std::snprintf(ratio, sizeof ratio, "%s%.1f x", r.babel->finished ? "" : "> ",
                              r.babel->seconds / r.ours.seconds);
            }
        }
        char output[32] = "";
        if (r.outputRatio > 0) {
            std::snprintf(output, sizeof output, "%.2f", r.outputRatio);
        }
        std::printf("| %s | %ld | %s | %s | %s | %s | %s | %s | %s | %s |\n", r.conversion.c_str(),
                    r.n, input, Seconds(r.ours, limit).c_str(), Mib(r.ours.peakKiB).c_str(),
                    perInput, babel.c_str(), babelPeak.c_str(), ratio, output);
    }
    // Growth from the smallest to the largest size, against n log n.
    if (sizes.size() >= 2) {
        const double a = static_cast<double>(sizes.front());
        const double b = static_cast<double>(sizes.back());
        const double nlogn = (b * std::log(b)) / (a * std::log(a));
        std::printf("\nGrowth of our time from %ld to %ld caches (n log n would be %.1f x):\n\n",
                    sizes.front(), sizes.back(), nlogn);
        std::printf("| Conversion | Growth |\n|---|---:|\n");
        for (const Row& small : rows) {
            if (small.n != sizes.front()) {
                continue;
            }
            for (const Row& large : rows) {
                if (large.n == sizes.back() && large.conversion == small.conversion &&
                    small.ours.seconds > 0) {
                    std::printf("| %s | %.1f x |\n", small.conversion.c_str(),
                                large.ours.seconds / small.ours.seconds);
                }
            }
        }
    }
    // The memory target: a text is held at once as read, as the copy the
    // parser takes, as a QString (twice its bytes) and as the file written
    // of it, about four times the input at the peak; six times the input
    // above the program's start-up size leaves room for the allocator and
    // fails on growth beyond that.
    bool overTarget = false;
    for (const Row& r : rows) {
        if (r.ours.peakKiB > 64 * 1024 + static_cast<long>(6 * 1024 * r.inputMiB)) {
            std::printf("\nOver the memory target (64 MiB + 6 x input): %s, %ld caches\n",
                        r.conversion.c_str(), r.n);
            overTarget = true;
        }
    }
    return overTarget ? 1 : 0;
}
