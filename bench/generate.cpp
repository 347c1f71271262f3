// Writes realistic, deterministic input files for the benchmarks: a GPX 1.0
// pocket query with groundspeak caches (hints, logs, times) or an XML LOC
// file, of any number of caches. The same seed always gives the same bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kWords[] = {
    "old",    "mill",   "bridge", "forest", "lake",  "hill",   "stone",  "view",    "trail",
    "river",  "church", "tower",  "garden", "path",  "meadow", "spring", "rock",    "valley",
    "heron",  "fox",    "owl",    "oak",    "birch", "chapel", "quarry", "harbour", "lookout",
    "bench",  "fence",  "gate",   "wall",   "ruin",  "cave",   "pond",   "field",   "orchard",
    "summit", "ridge",  "creek",  "marsh",  "cliff", "shore",  "island", "canal",   "lock",
};
constexpr std::string_view kTypes[] = {"Traditional Cache", "Multi-cache",   "Unknown Cache",
                                       "Virtual Cache",     "Webcam Cache",  "Letterbox Hybrid",
                                       "Earthcache",        "Wherigo Cache", "Event Cache"};
constexpr std::string_view kContainers[] = {"Micro", "Small", "Regular", "Large", "Other"};
constexpr std::string_view kLogTypes[] = {"Found it", "Didn't find it", "Write note", "Found it"};

class Writer {
public:
    explicit Writer(std::FILE* out) : out_(out) { buffer_.reserve(1 << 20); }
    ~Writer() { flush(); }
    Writer& operator<<(std::string_view s) {
        buffer_.append(s);
        if (buffer_.size() > (1 << 20)) {
            flush();
        }
        return *this;
    }
    Writer& operator<<(long long n) { return *this << std::string_view(std::to_string(n)); }
    void flush() {
        std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
        buffer_.clear();
    }

private:
    std::FILE* out_;
    std::string buffer_;
};

struct Random {
    explicit Random(unsigned long long seed) : engine(seed) {}
    std::mt19937_64 engine;
    long long below(long long n) {
        return static_cast<long long>(engine() % static_cast<unsigned long long>(n));
    }
    double uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(engine);
    }
    std::string_view word() { return kWords[below(std::size(kWords))]; }
    std::string words(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i > 0) {
                s += ' ';
            }
            s += word();
        }
        return s;
    }
    std::string title() {
        std::string s = words(1 + static_cast<int>(below(3)));
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
        return s;
    }
};

std::string CacheCode(long long i) {
    static const char digits[] = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    std::string code;
    long long n = i + 0x10000;
    while (n > 0) {
        code.insert(code.begin(), digits[n % 31]);
        n /= 31;
    }
    return "GC" + code;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string IsoTime(Random& r, int style) {
    char text[64];
    const int year = 2001 + static_cast<int>(r.below(25));
    const int month = 1 + static_cast<int>(r.below(12));
    const int day = 1 + static_cast<int>(r.below(28));
    const int hour = static_cast<int>(r.below(24));
    const int minute = static_cast<int>(r.below(60));
    switch (style % 3) {
        case 0:
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT00:00:00", year, month, day);
            break;
        case 1:
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00Z", year, month, day, hour,
                          minute);
            break;
        default:
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00.0000000-07:00", year,
                          month, day, hour, minute);
            break;
    }
    return text;
}

void WriteGpx(std::FILE* out, long long caches, unsigned long long seed) {
    Random r(seed);
    Writer w(out);
    w << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<gpx xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" version=\"1.0\" creator=\"Wayfold "
         "benchmark generator\" "
         "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/0 "
         "http://www.topografix.com/GPX/1/0/gpx.xsd "
         "http://www.groundspeak.com/cache/1/0/1 "
         "http://www.groundspeak.com/cache/1/0/1/cache.xsd\" "
         "xmlns=\"http://www.topografix.com/GPX/1/0\">\n"
         "  <name>Benchmark query</name>\n"
         "  <desc>Generated caches for benchmarks</desc>\n"
         "  <author>Wayfold</author>\n"
         "  <time>2026-12-01T08:00:00.0000000Z</time>\n"
         "  <keywords>cache, geocache</keywords>\n"
         "  <bounds minlat=\"45\" minlon=\"5\" maxlat=\"48\" maxlon=\"11\" />\n";
    for (long long i = 0; i < caches; ++i) {
        const std::string code = CacheCode(i);
        const std::string title = r.title();
        const std::string owner = r.title();
        const std::string_view type = kTypes[r.below(std::size(kTypes))];
        const std::string difficulty = Fixed(1 + 0.5 * static_cast<double>(r.below(9)), 1);
        const std::string terrain = Fixed(1 + 0.5 * static_cast<double>(r.below(9)), 1);
        w << "  <wpt lat=\"" << Fixed(r.uniform(45, 48), 6) << "\" lon=\""
          << Fixed(r.uniform(5, 11), 6) << "\">\n";
        w << "    <time>" << IsoTime(r, static_cast<int>(i)) << "</time>\n";
        w << "    <name>" << code << "</name>\n";
        w << "    <desc>" << title << " by " << owner << ", " << type << " (" << difficulty << "/"
          << terrain << ")</desc>\n";
        w << "    <url>https://www.geocaching.com/seek/cache_details.aspx?wp=" << code
          << "</url>\n";
        w << "    <urlname>" << title << "</urlname>\n";
        w << "    <sym>" << (r.below(10) == 0 ? "Geocache Found" : "Geocache") << "</sym>\n";
        w << "    <type>Geocache|" << type << "</type>\n";
        w << "    <groundspeak:cache id=\"" << (1000000 + i)
          << "\" available=\"True\" archived=\"False\" "
             "xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0/1\">\n";
        w << "      <groundspeak:name>" << title << "</groundspeak:name>\n";
        w << "      <groundspeak:placed_by>" << owner << "</groundspeak:placed_by>\n";
        w << "      <groundspeak:owner id=\"" << (5000 + r.below(90000)) << "\">" << owner
          << "</groundspeak:owner>\n";
        w << "      <groundspeak:type>" << type << "</groundspeak:type>\n";
        w << "      <groundspeak:container>" << kContainers[r.below(std::size(kContainers))]
          << "</groundspeak:container>\n";
        w << "      <groundspeak:difficulty>" << difficulty << "</groundspeak:difficulty>\n";
        w << "      <groundspeak:terrain>" << terrain << "</groundspeak:terrain>\n";
        w << "      <groundspeak:country>Switzerland</groundspeak:country>\n";
        w << "      <groundspeak:state>Bern</groundspeak:state>\n";
        w << "      <groundspeak:short_description html=\"False\">" << r.words(9)
          << ".</groundspeak:short_description>\n";
        w << "      <groundspeak:long_description html=\"True\">&lt;p&gt;" << r.words(20)
          << ".&lt;/p&gt;&lt;p&gt;" << r.words(15) << " &amp; " << r.words(8)
          << ".&lt;/p&gt;</groundspeak:long_description>\n";
        w << "      <groundspeak:encoded_hints>" << r.words(5) << "</groundspeak:encoded_hints>\n";
        w << "      <groundspeak:logs>\n";
        for (int l = 0; l < 2; ++l) {
            w << "        <groundspeak:log id=\"" << (20000000 + 2 * i + l) << "\">\n";
            w << "          <groundspeak:date>" << IsoTime(r, 1) << "</groundspeak:date>\n";
            w << "          <groundspeak:type>" << kLogTypes[r.below(std::size(kLogTypes))]
              << "</groundspeak:type>\n";
            w << "          <groundspeak:finder id=\"" << (7000 + r.below(90000)) << "\">"
              << r.title() << "</groundspeak:finder>\n";
            w << "          <groundspeak:text encoded=\"False\">" << r.words(12)
              << ". TFTC!</groundspeak:text>\n";
            w << "        </groundspeak:log>\n";
        }
        w << "      </groundspeak:logs>\n";
        w << "      <groundspeak:travelbugs />\n";
        w << "    </groundspeak:cache>\n";
        w << "  </wpt>\n";
    }
    w << "</gpx>\n";
}

void WriteLoc(std::FILE* out, long long caches, unsigned long long seed) {
    Random r(seed);
    Writer w(out);
    w << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<loc version=\"1.0\" src=\"Wayfold benchmark "
         "generator\">\n";
    for (long long i = 0; i < caches; ++i) {
        const std::string code = CacheCode(i);
        w << "<waypoint>\n\t<name id=\"" << code << "\"><![CDATA[" << r.title() << " by "
          << r.title() << "]]></name>\n";
        w << "\t<coord lat=\"" << Fixed(r.uniform(45, 48), 6) << "\" lon=\""
          << Fixed(r.uniform(5, 11), 6) << "\"/>\n";
        w << "\t<type>Geocache</type>\n";
        w << "\t<link text=\"Cache Details\">https://www.geocaching.com/seek/cache_details.aspx?wp="
          << code << "</link>\n</waypoint>\n";
    }
    w << "</loc>\n";
}

int Usage() {
    std::fprintf(stderr, "usage: wayfold-generate gpx|loc CACHES OUTPUT [SEED]\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        return Usage();
    }
    const std::string_view format = argv[1];
    const long long caches = std::atoll(argv[2]);
    const unsigned long long seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20261206ULL;
    if (caches < 0 || (format != "gpx" && format != "loc")) {
        return Usage();
    }
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    if (format == "gpx") {
        WriteGpx(out, caches, seed);
    } else {
        WriteLoc(out, caches, seed);
    }
    const bool ok = std::fflush(out) == 0;
    return (std::fclose(out) == 0 && ok) ? 0 : 1;
}
