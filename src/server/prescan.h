// What a request would make the XML-RPC parser build, counted in one linear
// pass before it is parsed: values, struct members (the parser finds each new
// member by comparing it with every earlier one, so a struct costs the square
// of its size) and the memory the parse will take.
#pragma once

#include <cstddef>
#include <string>

struct request_limits {
    std::size_t max_values = 1000000; // values and struct members together
    std::size_t max_members = 10000; // in one struct
    // Member comparisons of the whole request (n·(n−1)/2 summed over its
    // structs): two structs of the largest size.
    unsigned long long max_member_pairs = 100000000ULL;
};

struct request_shape {
    std::size_t values = 0;
    std::size_t members = 0;
    std::size_t largest_struct = 0;
    unsigned long long member_pairs = 0;
};

// Counts `xml` (UTF-8, as the parser will see it).  False with a Russian
// reason as soon as a limit is passed.  Comments, CDATA sections, processing
// instructions and quoted attribute values are skipped as the parser skips
// them.
bool lsv__prescan(const char *xml, std::size_t len, const request_limits &limits, request_shape &shape,
                  std::string &why);

// Bytes the library's parser may hold at its peak for a document of `len`
// bytes of that shape: the document, each text twice (being read, then as a
// value) and about 440 bytes for each value and member.
std::size_t lsv__parse_memory(std::size_t len, const request_shape &shape);

// The same before the body is read, for the worst document of `len` bytes
// within the limits: 8-bit text may double when it becomes UTF-8.
std::size_t lsv__parse_memory_at_most(std::size_t len, const request_limits &limits);
