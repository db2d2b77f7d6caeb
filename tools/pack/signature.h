#pragma once

#include <string>
#include <vector>

// Authenticode signatures of Windows installers, made and checked by osslsigncode.
namespace tamlo::pack {

struct SignatureReport {
    bool present = false;  // the program carries a certificate table
    bool checked = false;  // osslsigncode ran and gave a verdict
    bool valid = false;    // the digest matches and the signer's chain is trusted
    std::string signer;    // the signer certificate's subject, when known
    std::string problem;   // why it is not valid, or could not be checked
};

// Checks `path` with `osslsigncode verify`; `caFile` (may be empty) adds trusted roots,
// such as a test's own certificate.
SignatureReport checkSignature(const std::string& path, const std::string& caFile);

// Runs osslsigncode with `arguments`; true when it succeeded. `output` receives what it
// printed (or why it could not run).
bool runOsslsigncode(const std::vector<std::string>& arguments, std::string* output);

// One line for the report: "not signed", "signed by X, valid", "signed by X, NOT valid: why".
std::string describe(const SignatureReport& report);

}  // namespace tamlo::pack
