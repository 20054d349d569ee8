// The resource script reader on any text: it must end, and neither crash nor
// read past the text, whatever the text holds.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "resources/rcscript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size); /* terminated */
    rc::Script s = rc::read_script(text.c_str());
    for (const rc::Dialog &d : s.dialogs)
        for (const rc::Control &c : d.controls)
            (void)c.cls.size();
    return 0;
}
