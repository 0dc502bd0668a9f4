#include "crypto/CryptoTestSupport.h"

#include "support/Hex.h"
#include "support/TestHome.h"

#include <stdexcept>

namespace dossiva::test {

std::string pythonPasswordDigest(const std::string& algorithm, const std::string& text)
{
    // The text travels as hex so no locale touches its bytes on the way.
    static const char* const script =
        "import hashlib, sys\n"
        "text = bytes.fromhex(sys.argv[2]).decode('utf-8')\n"
        "units = len(text.encode('utf-16-le')) // 2\n"
        "print(hashlib.new(sys.argv[1], text.encode('utf-8')[:units]).hexdigest())\n";
    std::string output;
    if (runPython(script, {algorithm, hex(text)}, output) != 0) {
        throw std::runtime_error("python could not digest the text");
    }
    return output.substr(0, output.find('\n'));
}

} // namespace dossiva::test
