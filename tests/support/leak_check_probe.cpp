// Puts a dlopen'd library's dynamic TLS block 16 bytes past a 4096-byte boundary, the place
// where GCC 12's __tls_get_addr interceptor mistakes the allocator's chunk header for an old
// glibc's block header, then exits so that LeakSanitizer runs. Built with the test programs'
// sanitizer settings, it shows that their leak check survives the case and still finds a leak.
//   leak_check_probe LIBRARY [leak]
// Needs ASAN_OPTIONS=quarantine_size_mb=0:thread_local_quarantine_size_kb=0, so that a freed
// chunk is the next one handed out for its size. Prints "steered 1" when the block landed there.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// Where the planted leak's only pointer lives until it is dropped.
char* volatile g_lost = nullptr;

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    // dlopen allocates blocks of the same size itself: done before the chunks are laid out.
    void* library = dlopen(argv[1], RTLD_NOW);
    auto block = library ? reinterpret_cast<char* (*)()>(dlsym(library, "GridfallTlsBlock")) : nullptr;
    if (!block) {
        std::fprintf(stderr, "leak_check_probe: %s\n", dlerror());
        return 2;
    }
    // malloc(48) takes the same 64-byte chunks as the TLS block. Freed last, the chunks on the
    // boundary are handed out first: the TLS block (and anything glibc allocates with it) gets one.
    std::vector<void*> held, onBoundary;
    held.reserve(4096);
    for (int i = 0; i < 4096 && onBoundary.size() < 8; ++i) {
        void* p = std::malloc(48);
        (reinterpret_cast<uintptr_t>(p) % 4096 == 16 ? onBoundary : held).push_back(p);
    }
    for (void* p : onBoundary)
        std::free(p);
    const char* tls = block();
    std::printf("steered %d\n", static_cast<int>(reinterpret_cast<uintptr_t>(tls) % 4096 == 16));
    std::fflush(stdout);
    if (argc > 2 && std::strcmp(argv[2], "leak") == 0) {
        g_lost = new char[77];
        g_lost = nullptr;
    }
    for (void* p : held)
        std::free(p);
    return 0;
}
