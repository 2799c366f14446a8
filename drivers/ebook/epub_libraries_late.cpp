// The driver's libzip and libxml2, loaded when the driver first opens a book. The driver is linked
// with the functions below instead of the libraries: each calls the library's function of that name,
// looked up once. They are only reached after EpubLibrariesLoaded said yes (a book is read only after
// its zip container opened), so a function that is not found is a broken installation: the driver
// says which and stops rather than carry on with a call that cannot be made. A library that cannot be
// loaded is said on stderr, and each book's reading fails with it as the reason.
#include "ebook/epub_libraries.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zip.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <type_traits>

namespace tavrin::ebook {
namespace {

// The file names (sonames) of the libraries the driver was built against, from the build.
constexpr const char* kZipLibrary = TAVRIN_LIBZIP_SONAME;
constexpr const char* kXmlLibrary = TAVRIN_LIBXML2_SONAME;

class Libraries {
  public:
    // Loads both on the first call; later calls answer as the first did.
    bool Load(std::string* error) {
        std::call_once(once_, [this] {
            zip_ = Open(kZipLibrary);
            if (zip_) xml_ = Open(kXmlLibrary);
            // A library missing is the installation's fault, not a book's: said once, whatever the
            // caller makes of the book.
            if (!xml_) std::fprintf(stderr, "eBookDrv.dll: %s\n", error_);
        });
        if (!xml_ && error) *error = error_;
        return xml_ != nullptr;
    }

    void* Function(bool xml, const char* name) {
        void* library = xml ? xml_ : zip_;
        void* function = library ? dlsym(library, name) : nullptr;
        if (!function) {
            std::fprintf(stderr, "eBookDrv.dll: %s has no function %s\n", xml ? kXmlLibrary : kZipLibrary,
                         name);
            std::abort();
        }
        return function;
    }

  private:
    void* Open(const char* name) {
        void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* reason = dlerror();
            std::snprintf(error_, sizeof error_, "the e-book driver cannot load %s: %s", name,
                          reason ? reason : "unknown");
        }
        return library;
    }

    std::once_flag once_;
    void* zip_ = nullptr;
    void* xml_ = nullptr;
    char error_[512] = ""; // only shown to a person: a longer reason is cut
};

// Nothing of it is undone when the driver is unloaded or the program ends (it has nothing to destroy,
// and the libraries are never released): the driver's books may still close their containers then,
// which calls libzip.
Libraries& Loaded() {
    static Libraries libraries;
    static_assert(std::is_trivially_destructible_v<Libraries>);
    return libraries;
}

// The library's function of the same name and type as `Declared`, looked up on its first call.
template <auto Declared> decltype(Declared) Late(bool xml, const char* name) {
    static const auto function = reinterpret_cast<decltype(Declared)>(Loaded().Function(xml, name));
    return function;
}

constexpr bool kZip = false;
constexpr bool kXml = true;

} // namespace

bool EpubLibrariesLoaded(std::string* error) {
    return Loaded().Load(error);
}

} // namespace tavrin::ebook

using tavrin::ebook::kXml;
using tavrin::ebook::kZip;
using tavrin::ebook::Late;

// The functions the EPUB reading calls, with the libraries' own declarations (the headers above).
extern "C" {

zip_t* zip_open(const char* path, int flags, int* errorp) {
    return Late<zip_open>(kZip, "zip_open")(path, flags, errorp);
}
zip_t* zip_open_from_source(zip_source_t* source, int flags, zip_error_t* error) {
    return Late<zip_open_from_source>(kZip, "zip_open_from_source")(source, flags, error);
}
zip_source_t* zip_source_buffer_create(const void* data, zip_uint64_t length, int freep, zip_error_t* error) {
    return Late<zip_source_buffer_create>(kZip, "zip_source_buffer_create")(data, length, freep, error);
}
void zip_source_free(zip_source_t* source) {
    Late<zip_source_free>(kZip, "zip_source_free")(source);
}
void zip_discard(zip_t* archive) {
    Late<zip_discard>(kZip, "zip_discard")(archive);
}
void zip_error_init(zip_error_t* error) {
    Late<zip_error_init>(kZip, "zip_error_init")(error);
}
void zip_error_init_with_code(zip_error_t* error, int code) {
    Late<zip_error_init_with_code>(kZip, "zip_error_init_with_code")(error, code);
}
void zip_error_fini(zip_error_t* error) {
    Late<zip_error_fini>(kZip, "zip_error_fini")(error);
}
const char* zip_error_strerror(zip_error_t* error) {
    return Late<zip_error_strerror>(kZip, "zip_error_strerror")(error);
}
const char* zip_strerror(zip_t* archive) {
    return Late<zip_strerror>(kZip, "zip_strerror")(archive);
}
const char* zip_file_strerror(zip_file_t* file) {
    return Late<zip_file_strerror>(kZip, "zip_file_strerror")(file);
}
zip_int64_t zip_get_num_entries(zip_t* archive, zip_flags_t flags) {
    return Late<zip_get_num_entries>(kZip, "zip_get_num_entries")(archive, flags);
}
void zip_stat_init(zip_stat_t* stat) {
    Late<zip_stat_init>(kZip, "zip_stat_init")(stat);
}
int zip_stat_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t* stat) {
    return Late<zip_stat_index>(kZip, "zip_stat_index")(archive, index, flags, stat);
}
zip_file_t* zip_fopen_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags) {
    return Late<zip_fopen_index>(kZip, "zip_fopen_index")(archive, index, flags);
}
zip_int64_t zip_fread(zip_file_t* file, void* buffer, zip_uint64_t length) {
    return Late<zip_fread>(kZip, "zip_fread")(file, buffer, length);
}
int zip_fclose(zip_file_t* file) {
    return Late<zip_fclose>(kZip, "zip_fclose")(file);
}

xmlDocPtr xmlReadMemory(const char* buffer, int size, const char* url, const char* encoding, int options) {
    return Late<xmlReadMemory>(kXml, "xmlReadMemory")(buffer, size, url, encoding, options);
}
htmlDocPtr htmlReadMemory(const char* buffer, int size, const char* url, const char* encoding, int options) {
    return Late<htmlReadMemory>(kXml, "htmlReadMemory")(buffer, size, url, encoding, options);
}
xmlNodePtr xmlDocGetRootElement(const xmlDoc* doc) {
    return Late<xmlDocGetRootElement>(kXml, "xmlDocGetRootElement")(doc);
}
void xmlFreeDoc(xmlDocPtr doc) {
    Late<xmlFreeDoc>(kXml, "xmlFreeDoc")(doc);
}

} // extern "C"
