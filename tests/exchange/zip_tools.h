#pragma once
// Archives for the exchange tests, made with libzip: plain entries, entries with a Unix file
// type (links, devices), and raw compressed data declaring whatever size and CRC the test wants.
#include <sys/stat.h>
#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavlo::testzip {

struct Entry {
    std::string name;
    std::string data;
    std::optional<unsigned> unixMode = {};  // file type and permissions, as stat's st_mode
    // Raw deflated data written as it is, declaring this unpacked size and CRC.
    bool raw = false;
    std::uint64_t declaredSize = 0;
    std::uint32_t crc = 0;
};

namespace detail {
struct Raw {
    std::string data;
    std::uint64_t size;
    std::uint32_t crc;
    std::size_t at = 0;
};

inline zip_int64_t rawSource(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* r = static_cast<Raw*>(user);
    switch (cmd) {
        case ZIP_SOURCE_OPEN: r->at = 0; return 0;
        case ZIP_SOURCE_READ: {
            std::size_t n = std::min<std::size_t>(len, r->data.size() - r->at);
            std::copy_n(r->data.data() + r->at, n, static_cast<char*>(data));
            r->at += n;
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_CLOSE: return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
            st->size = r->size;
            st->comp_size = r->data.size();
            st->comp_method = ZIP_CM_DEFLATE;
            st->crc = r->crc;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR: return 0;
        case ZIP_SOURCE_FREE: delete r; return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default: return -1;
    }
}
}  // namespace detail

inline void write(const std::filesystem::path& archive, const std::vector<Entry>& entries) {
    int code = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) throw std::runtime_error("zip_open " + archive.string());
    for (const Entry& e : entries) {
        zip_int64_t i;
        if (!e.raw && e.name.back() == '/') {
            i = zip_dir_add(z, e.name.c_str(), 0);
        } else {
            zip_source_t* src = e.raw ? zip_source_function(z, detail::rawSource, new detail::Raw{e.data, e.declaredSize, e.crc})
                                      : zip_source_buffer(z, e.data.data(), e.data.size(), 0);
            i = zip_file_add(z, e.name.c_str(), src, 0);
            if (i < 0) zip_source_free(src);
        }
        if (i < 0) throw std::runtime_error(std::string("zip_file_add: ") + zip_strerror(z));
        if (e.unixMode) zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX, *e.unixMode << 16);
    }
    if (zip_close(z) != 0) throw std::runtime_error(std::string("zip_close: ") + zip_strerror(z));
}

// The deflated form of data and its CRC, as libzip writes them.
inline std::pair<std::string, std::uint32_t> deflated(const std::string& data) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
    zip_int64_t i = zip_file_add(z, "x", src, 0);
    zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 9);
    zip_close(z);
    zip_source_keep(buffer);
    z = zip_open_from_source(buffer, ZIP_RDONLY, &error);
    zip_stat_t st;
    zip_stat_index(z, 0, 0, &st);
    zip_file_t* f = zip_fopen_index(z, 0, ZIP_FL_COMPRESSED);
    std::string out(st.comp_size, '\0');
    zip_fread(f, out.data(), out.size());
    zip_fclose(f);
    zip_discard(z);
    zip_source_free(buffer);
    return {out, st.crc};
}

// Everything under a folder, without following links: relative name -> content ("<folder>",
// "<link>" for those).
inline std::map<std::string, std::string> contents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> out;
    for (auto it = std::filesystem::recursive_directory_iterator(folder); it != std::filesystem::recursive_directory_iterator(); ++it) {
        const auto rel = std::filesystem::relative(it->path(), folder).string();
        if (it->is_symlink()) out[rel] = "<link>";
        else if (it->is_directory()) out[rel] = "<folder>";
        else {
            std::ifstream in(it->path(), std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            out[rel] = s.str();
        }
    }
    return out;
}

inline void writeFile(const std::filesystem::path& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tavlo::testzip
