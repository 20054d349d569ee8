// wsprintfA and wvsprintfA with the formats the program passes them and
// arguments of any length and value: the output ends within 1024 bytes,
// terminated where the call says it ends (a %c of 0 puts a NUL before that).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include <windows.h>

namespace {

const char *const formats[] = {
    "Memory allocation failed <%d>",
    "Drive name screwed up <%s>",
    "Failed to get Drive <%s> characteristics, wastage results invalid",
    "Memory Freeing error %d",
    "Directory Sizes of %s",
    "chkdsk %c:",
    "%s",
    "Directory Path too long",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const char *format = formats[data[0] % (sizeof formats / sizeof formats[0])];
    int number;
    memcpy(&number, data + 1, sizeof number);
    std::string text(reinterpret_cast<const char *>(data + 5), size - 5);

    enum { limit = 1024, guard = 64 };
    char out[limit + guard];
    memset(out, 0xA5, sizeof out);
    int n = strstr(format, "%s") ? wsprintfA(out, format, text.c_str()) : wsprintfA(out, format, number);
    if (n < 0 || n >= limit || out[n] != '\0' || strlen(out) > (size_t)n)
        abort();
    for (int i = limit; i < limit + guard; i++)
        if ((unsigned char)out[i] != 0xA5)
            abort();
    return 0;
}
