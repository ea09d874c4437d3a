#include "lzma_extraction.h"

#include <zlib.h>

#include "branch_filter.h"
#include "install_flow.h"
#include "install_rules.h"
#include "package_layout.h"
#include "package_state.h"
#include "text_rules.h"

namespace nuvex {

PayloadMethod ReadPayloadMethod() {
    char value[16];
    GetPrivateProfileStringA(layout::kHeaderSection, layout::kCompressionKey, "", value,
                             sizeof value, Package().scriptPath);
    if (value[0] == '\0') {
        return PayloadMethod::kZlib;
    }
    return EqualsIgnoreCase(value, layout::kCompressionLzma) ? PayloadMethod::kLzma
                                                             : PayloadMethod::kUnknown;
}

// Positions the file itself before every read, so that nothing else that reads the
// package handle can shift the block under the decoder.
bool LzmaExtraction::PackageInput::Read(unsigned char* buffer, uint32_t size, uint32_t* got) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(position);
    DWORD read = 0;
    if (package == INVALID_HANDLE_VALUE || !SetFilePointerEx(package, at, nullptr, FILE_BEGIN) ||
        !ReadFile(package, buffer, size, &read, nullptr)) {
        return false;
    }
    position += read;
    *got = read;
    return true;
}

// Opens the block at payload offset `offset`, `length` bytes, from its start unless it is
// the current one.
LzmaResult LzmaExtraction::UseBlock(HANDLE package, uint32_t offset, uint32_t length) {
    if (reader_.IsOpen() && offset == offset_ && length == length_) {
        return LzmaResult::kOk;
    }
    input_.package = package;
    input_.position = static_cast<uint64_t>(Package().payloadBase) + offset;
    offset_ = offset;
    length_ = length;
    return reader_.Open(input_, length);
}

Decoded LzmaExtraction::DecodeFile(PayloadMethod method, HANDLE package, const StreamAttributes& a,
                                   GlobalBuffer& output, uint32_t* produced, int n, int total) {
    // The slack of the zlib path's output buffer; the LZMA path needs none but keeps it.
    constexpr uint64_t kOutputSlack = 2048;
    if (method != PayloadMethod::kLzma) {
        return Decoded::kDamaged;
    }
    Decoded result = UseBlock(package, a.offset, a.length);
    if (result != Decoded::kOk) {
        return result;
    }
    if (a.origlen > reader_.Left()) {
        return Decoded::kDamaged;
    }
    if (!output.Allocate(a.origlen + kOutputSlack)) {
        return Decoded::kNoMemory;
    }
    SetProgress(ExtractionProgress(n, total, EntryStage::kRead));
    result = reader_.Read(output.get(), a.origlen);
    SetProgress(ExtractionProgress(n, total, EntryStage::kInflated));
    if (result != Decoded::kOk) {
        return result;
    }
    if (reader_.Filtered() && TakesBranchFilter(output.get(), a.origlen)) {
        BranchFilter(output.get(), a.origlen, 0, false);
    }
    *produced = a.origlen;
    return adler32(1, output.get(), a.origlen) == a.crc ? Decoded::kOk : Decoded::kDamaged;
}

}  // namespace nuvex
