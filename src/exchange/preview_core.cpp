#include "exchange/preview_core.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <new>

namespace {

struct decode_failure {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void decode_fail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<decode_failure *>(info->err)->jump, 1);
}

// Warnings are counted (a premature end of data is one), never printed.
void decode_message(j_common_ptr) {}

int stride_of(long long width, int components)
{
    return static_cast<int>((width * components + 3) & ~3LL);
}

} // namespace

prv_decode prv__decode_jpeg(const unsigned char *data, std::size_t len, std::vector<unsigned char> &pixels,
                            int &width, int &height)
{
    if (!data || len == 0 || len > static_cast<std::size_t>(~0UL))
        return prv_decode::failed;
    jpeg_decompress_struct d{};
    decode_failure failure{};
    d.err = jpeg_std_error(&failure.mgr);
    failure.mgr.error_exit = decode_fail;
    failure.mgr.output_message = decode_message;
    // The buffer lives outside the jump's reach; a failure clears it.
    std::vector<unsigned char> out;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&d);
        return prv_decode::failed;
    }
    jpeg_create_decompress(&d);
    // The library's memory source hands over the whole buffer; when it runs
    // out it supplies an end-of-image marker rather than reading on.
    jpeg_mem_src(&d, data, static_cast<unsigned long>(len));
    jpeg_read_header(&d, TRUE);
    if (d.num_components == 3)
        d.out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&d);
    const int components = d.out_color_components;
    const long long w = d.output_width, h = d.output_height;
    if ((components != 1 && components != 3) || w < 1 || h < 1 || w * h > PRV_MAX_PIXELS) {
        jpeg_destroy_decompress(&d);
        return prv_decode::failed;
    }
    const int stride = stride_of(w, components);
    try {
        out.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h), 0);
    } catch (const std::bad_alloc &) {
        jpeg_destroy_decompress(&d);
        return prv_decode::failed;
    }
    jpeg_start_decompress(&d);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.data() + static_cast<std::size_t>(stride) * (d.output_height - 1 - d.output_scanline);
        jpeg_read_scanlines(&d, &row, 1);
    }
    const bool cut_short = failure.mgr.num_warnings > 0;
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);

    if (components == 1) {
        // Grey: each sample into the three bytes of its pixel.
        const int stride24 = stride_of(w, 3);
        std::vector<unsigned char> rgb;
        try {
            rgb.assign(static_cast<std::size_t>(stride24) * static_cast<std::size_t>(h), 0);
        } catch (const std::bad_alloc &) {
            return prv_decode::failed;
        }
        for (long long y = 0; y < h; ++y) {
            const unsigned char *src = out.data() + y * stride;
            unsigned char *dst = rgb.data() + y * stride24;
            for (long long x = 0; x < w; ++x)
                dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
        }
        out.swap(rgb);
    }
    pixels.swap(out);
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return cut_short ? prv_decode::partial : prv_decode::ok;
}

std::u16string prv__log_text(std::u16string_view log)
{
    std::u16string out;
    out.reserve(log.size() + log.size() / 16);
    for (char16_t c : log) {
        if (c == u'\n')
            out += u'\r';
        out += c;
    }
    return out;
}

int prv__resolution(int size_index)
{
    switch (size_index) {
    case 1: return 150;
    case 2: return 300;
    default: return 75;
    }
}

int prv__remember(std::vector<preview_var> &vars, const std::u16string &name, const std::u16string &value)
{
    if (name.empty() || value.empty())
        return -1;
    for (preview_var &v : vars)
        if (v.name == name) {
            v.value = value;
            return 1;
        }
    vars.push_back({name, value});
    return 0;
}

bool prv__forget(std::vector<preview_var> &vars, const std::u16string &name)
{
    for (auto it = vars.begin(); it != vars.end(); ++it)
        if (it->name == name) {
            vars.erase(it);
            return true;
        }
    return false;
}
