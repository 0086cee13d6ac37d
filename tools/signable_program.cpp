// Gives a Windows program (a PE image) the bytes that it has again once an Authenticode signature
// has been added to it and taken off:
//   signable_program FILE
// Signing pads the file with zeros to a multiple of 8 bytes before it appends the signature, and
// taking the signature off (osslsigncode remove-signature) keeps that padding and writes the
// image's checksum anew. So the program is padded here the same way and its checksum written, and
// the unsigned program is the signed one with its signature taken off, byte for byte.
// The build compiles this with the host's compiler and runs it as the programs' last step.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t read16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

std::uint32_t read32(const Bytes& bytes, std::size_t at) {
    return read16(bytes, at) | read16(bytes, at + 2) << 16;
}

void write32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The image checksum: the file's little-endian 16-bit words added with the carries folded back
// in, the checksum field counted as zero, plus the file's length.
std::uint32_t imageChecksum(Bytes bytes, std::size_t checksumAt) {
    write32(bytes, checksumAt, 0);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        sum += bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(bytes.size());
}

struct Failure {
    std::string message;
};

void makeSignable(Bytes& image) {
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') {
        throw Failure{"not a Windows program"};
    }
    const std::size_t pe = read32(image, 0x3C);
    if (pe + 24 > image.size() || read32(image, pe) != 0x00004550) { // "PE\0\0"
        throw Failure{"not a Windows program"};
    }
    const std::size_t optional = pe + 24;
    const std::uint32_t magic = read16(image, optional);
    if (magic != 0x10B && magic != 0x20B) {
        throw Failure{"unknown image header"};
    }
    // The data directories follow the fields that differ between 32 and 64 bits; the fifth
    // names the signature.
    const std::size_t directories = optional + (magic == 0x20B ? 112 : 96);
    if (read32(image, directories - 4) > 4 && read32(image, directories + 4 * 8 + 4) != 0) {
        throw Failure{"already signed"};
    }
    image.resize((image.size() + 7) / 8 * 8, 0);
    const std::size_t checksumAt = optional + 64;
    write32(image, checksumAt, imageChecksum(image, checksumAt));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: signable_program FILE\n");
        return 2;
    }
    Bytes image;
    {
        std::ifstream in(argv[1], std::ios::binary);
        image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad() || !in.is_open()) {
            std::fprintf(stderr, "signable_program: cannot read %s\n", argv[1]);
            return 1;
        }
    }
    try {
        makeSignable(image);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "signable_program: %s: %s\n", argv[1], failure.message.c_str());
        return 1;
    } catch (const std::out_of_range&) {
        std::fprintf(stderr, "signable_program: %s: image header cut short\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "signable_program: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
