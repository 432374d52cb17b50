#include "family.h"

namespace readersim {

std::unique_ptr<Family> makeFamily(const Options& options, std::string* error)
{
    if (options.family == "6c")
        return makeFamily6C(options);
    if (options.family == "gjb")
        return makeFamilyGjb(options);
    *error = "unknown family: " + options.family + " (simulated: 6c, gjb)";
    return nullptr;
}

} // namespace readersim
