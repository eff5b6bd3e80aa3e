// Turns fuzzer bytes into a script that calls members of both generations'
// classes in random order with hostile arguments.
//
// The script starts with a fixed prelude: a pool of objects (the globals
// first, then every host object a call returns) and helpers that call the
// k-th method or accessor of a pool object, borrow a method for another
// receiver, read an accessor through a foreign receiver or a derived object,
// or construct an object from a wrapper's constructor. The prelude removes
// every member that writes files or starts processes before anything else
// runs, and the generator never names one: a fuzzer must not touch the
// filesystem or start programs.
#ifndef QFJS_TESTS_FUZZ_SCRIPT_GENERATOR_H
#define QFJS_TESTS_FUZZ_SCRIPT_GENERATOR_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qfjs_fuzz {

// Reads small numbers from the fuzzer's bytes; 0 once they are used up.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    // A value in [0, range); range 1..65536.
    unsigned Next(unsigned range);
    bool Done() const { return pos_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

struct FixturePaths {
    std::string png;   // a small picture file
    std::string text;  // a small text file
};

// The prelude followed by the statements generated from `reader`.
std::string GenerateScript(ByteReader& reader, const FixturePaths& fixtures);

// Marks an error message of the prelude's own safety checks.
constexpr char kPreludeFailure[] = "qfjs-fuzz:";

}  // namespace qfjs_fuzz

#endif
