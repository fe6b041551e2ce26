// Writes a raw 16-bit little-endian stereo sine at 44100 Hz: the test tone that stands in
// for a microphone on machines without a capture device, and the input of the benchmarks.
//   tonegen <file> <seconds> [left Hz] [right Hz] [left amplitude 0..1] [right amplitude 0..1]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: tonegen <file> <seconds> [leftHz] [rightHz] [leftAmp] [rightAmp]\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const double leftHz = argc > 3 ? std::atof(argv[3]) : 440.0;
    const double rightHz = argc > 4 ? std::atof(argv[4]) : 660.0;
    const double leftAmp = argc > 5 ? std::atof(argv[5]) : 0.5;
    const double rightAmp = argc > 6 ? std::atof(argv[6]) : 0.25;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || seconds <= 0) {
        std::perror(argv[1]);
        return 1;
    }
    constexpr int rate = 44100;
    const long frames = static_cast<long>(seconds * rate);
    std::vector<unsigned char> chunk;
    chunk.reserve(rate * 4);
    const double twoPi = 2.0 * std::acos(-1.0);
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (double sample : {leftAmp * std::sin(twoPi * leftHz * t), rightAmp * std::sin(twoPi * rightHz * t)}) {
            const auto value = static_cast<short>(std::lround(sample * 32767.0));
            chunk.push_back(static_cast<unsigned char>(value & 0xff));
            chunk.push_back(static_cast<unsigned char>((value >> 8) & 0xff));
        }
        if (chunk.size() >= rate * 4 || i + 1 == frames) {
            if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) {
                std::perror(argv[1]);
                return 1;
            }
            chunk.clear();
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
