// The readers of outside data, each as one entry taking raw bytes:
// shared by the libFuzzer targets and by the regression test that replays
// every input a fuzzer ever found.
#pragma once

#include <cstddef>
#include <cstdint>

void fuzz_quiet(); // no message box text on stderr while fuzzing
int fuzz_lbl(const std::uint8_t *data, std::size_t size);
int fuzz_answer(const std::uint8_t *data, std::size_t size);
int fuzz_bbox(const std::uint8_t *data, std::size_t size);
int fuzz_picture(const std::uint8_t *data, std::size_t size); // PNG, JPEG and SVG headers
int fuzz_settings(const std::uint8_t *data, std::size_t size);
int fuzz_csv(const std::uint8_t *data, std::size_t size);
int fuzz_pdf(const std::uint8_t *data, std::size_t size);
