// Authenticode signing of packages with osslsigncode, and the checks of signed packages.
//
// A signed package is a signed stub, the script and the payload, signed once more:
//
// | stub | pad | stub certificates | [Nuvex] ... [/END] | payload | pad | package certificates |
// 0                                  S                  P         end
//
// The PE header has one security directory entry, so the first S bytes of a signed package
// point at the package's certificate table, past their own end: copied as they are, they
// are not a validly signed program. The builder therefore records the stub's own entry
// and checksum in the header section (StubCertOffset, StubCertSize, StubCheckSum); the
// uninstaller copy is valid once those three values are written back into its PE header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "file_io.h"
#include "pe_security.h"

namespace nuvex::pack {

struct PackageInfo;

struct SignOptions {
    fs::path cert;          // PEM certificate(s), or a PKCS#12 file
    fs::path key;           // PEM private key; not with PKCS#12
    fs::path passFile;      // the key's or the PKCS#12 file's password, first line
    std::string timestamp;  // an RFC 3161 time-stamping URL; empty: none
    // The signing time written into the signature, seconds since 1970. Without a
    // time-stamp it is the only thing that changes between two signings: take it from
    // SOURCE_DATE_EPOCH for byte-identical output.
    std::optional<int64_t> signingTime;
};

// The osslsigncode on PATH; empty when there is none.
fs::path FindSigner();

// Throws PackError when signing cannot start: no osslsigncode on PATH, a certificate or
// key file missing, a PEM certificate without --key. Nothing is written.
void CheckSignOptions(const SignOptions& options);

// Signs the package `in` into `out` (they may be the same file): its stub, re-signed when
// it was signed already, then the whole package on that stub. Payload offsets count from
// the payload base, so moving the script changes none of them. `out` is replaced at the
// end, by a rename; on failure it is left as it was. Throws PackError.
void SignPackage(const fs::path& in, const fs::path& out, const SignOptions& options);

enum class SignatureState {
    kNone,       // not signed
    kGood,       // the file matches its signature, and the signer is trusted
    kUntrusted,  // the file matches its signature; the signer's chain does not verify here
    kMismatch,   // the file has changed since it was signed
    kUnchecked,  // signed, but osslsigncode is missing
    kBroken,     // a certificate table osslsigncode cannot read
};
const char* SignatureStateText(SignatureState state);

struct SignatureReport {
    SignatureState package = SignatureState::kNone;
    SignatureState stub = SignatureState::kNone;  // the uninstaller copy
    std::string packageDetail, stubDetail;        // what osslsigncode said, when it failed
    bool Bad() const;
};

// Checks the package's signature and that of the uninstaller it gives, each with
// `osslsigncode verify` (and `caFile` as the trusted certificates, when given).
SignatureReport CheckSignatures(const PackageInfo& package, const fs::path& caFile);

}  // namespace nuvex::pack
