// libFuzzer target: the netstring reader on arbitrary bytes, whole and in pieces.
//
// Input: the size of the pieces less one (a byte), then the bytes. Checks: nothing crashes or
// reads outside the bytes; the pieces give the payloads and the result the whole does; the
// payloads, framed again, are the start of the bytes, and a fresh reader given what follows them
// reads no payload and ends the same way; a failed reader takes nothing more; the bytes framed
// as one payload read back as themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/baresip/Netstring.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using baresip::EncodeNetstring;
using baresip::NetstringReader;

struct Fed {
    NetstringReader::Result result = NetstringReader::Result::kOk;
    std::vector<std::string> payloads;
};

Fed FeedInPieces(NetstringReader& reader, std::string_view bytes, std::size_t piece) {
    Fed fed;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        fed.result = reader.Feed(bytes.substr(at, piece), fed.payloads);
    }
    return fed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::size_t piece = data[0] + std::size_t{1};
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    NetstringReader whole;
    const Fed once = FeedInPieces(whole, bytes, bytes.size());
    NetstringReader pieces;
    const Fed inPieces = FeedInPieces(pieces, bytes, piece);
    Check(inPieces.result == once.result && inPieces.payloads == once.payloads);

    std::string framed;
    for (const std::string& payload : once.payloads) {
        Check(payload.size() <= NetstringReader::kMaxPayload);
        framed += EncodeNetstring(payload);
    }
    Check(bytes.starts_with(framed));
    NetstringReader fresh;
    const Fed rest = FeedInPieces(fresh, bytes.substr(framed.size()), piece);
    Check(rest.result == once.result && rest.payloads.empty());

    if (once.result != NetstringReader::Result::kOk) {
        std::vector<std::string> none;
        Check(whole.Feed("0:,", none) == once.result && none.empty());
    }

    NetstringReader single;
    std::vector<std::string> payloads;
    Check(single.Feed(EncodeNetstring(bytes), payloads) == NetstringReader::Result::kOk);
    Check(payloads.size() == 1 && payloads[0] == bytes);
    return 0;
}
