#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/os/mapped_file.h"
#include "resources/bundle.h"
#include "resources/certificate_table.h"
#include "tools/pack/pack_commands.h"
#include "tools/pack/signature.h"

namespace tamlo::pack {

namespace fs = std::filesystem;

namespace {

// The last line osslsigncode printed that says something.
std::string lastLine(const std::string& text) {
    size_t end = text.find_last_not_of("\r\n ");
    if (end == std::string::npos) {
        return "osslsigncode failed";
    }
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

bool soundInstaller(const std::string& path, std::string* error) {
    std::string why;
    std::unique_ptr<Bundle> bundle = Bundle::open(path, &why);
    if (bundle == nullptr || !bundle->verifyAll(&why)) {
        *error = path + ": " + why;
        return false;
    }
    return true;
}

bool isWindowsProgram(const std::string& path) {
    platform::MappedFile file;
    std::string ignored;
    return file.open(path, &ignored) && file.size() >= 2 && file.data()[0] == 'M' &&
           file.data()[1] == 'Z';
}

bool isSigned(const std::string& path) {
    platform::MappedFile file;
    std::string ignored;
    return file.open(path, &ignored) && findCertificateTable(file.data(), file.size());
}

}  // namespace

int runSign(const std::vector<std::string>& args, std::string* error) {
    // INSTALLER --pkcs12 FILE [--password-file FILE] [--timestamp URL]
    std::string installer, pkcs12, passwordFile, timestamp;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--pkcs12" && hasValue) {
            pkcs12 = args[++i];
        } else if (args[i] == "--password-file" && hasValue) {
            passwordFile = args[++i];
        } else if (args[i] == "--timestamp" && hasValue) {
            timestamp = args[++i];
        } else if (installer.empty() && !args[i].empty() && args[i][0] != '-') {
            installer = args[i];
        } else {
            installer.clear();
            break;
        }
    }
    if (installer.empty() || pkcs12.empty()) {
        *error = "usage: sign INSTALLER --pkcs12 FILE [--password-file FILE] [--timestamp URL]";
        return kUsage;
    }
    // A signature vouches for every byte: a damaged installer is never signed.
    if (!soundInstaller(installer, error)) {
        return kFailure;
    }
    if (!isWindowsProgram(installer)) {
        *error = installer + " is not a Windows program: only those carry a signature";
        return kFailure;
    }
    const std::string unsigned_ = installer + ".unsigned.tmp";
    const std::string signed_ = installer + ".signed.tmp";
    std::error_code ignored;
    std::string output;
    std::string input = installer;
    // Signing again replaces the old signature.
    if (isSigned(installer)) {
        if (!runOsslsigncode({"remove-signature", "-in", installer, "-out", unsigned_}, &output)) {
            fs::remove(unsigned_, ignored);
            *error = "cannot remove the old signature: " + lastLine(output);
            return kFailure;
        }
        input = unsigned_;
    }
    std::vector<std::string> command = {"sign", "-pkcs12", pkcs12, "-h", "sha256"};
    if (!passwordFile.empty()) {
        command.insert(command.end(), {"-readpass", passwordFile});
    }
    if (!timestamp.empty()) {
        command.insert(command.end(), {"-ts", timestamp});
    }
    command.insert(command.end(), {"-in", input, "-out", signed_});
    fs::remove(signed_, ignored);
    const bool signedOk = runOsslsigncode(command, &output);
    fs::remove(unsigned_, ignored);
    if (!signedOk) {
        fs::remove(signed_, ignored);
        *error = "osslsigncode: " + lastLine(output);
        return kFailure;
    }
    // The engine must still find its bundle in front of the certificate table.
    if (!soundInstaller(signed_, error)) {
        fs::remove(signed_, ignored);
        return kFailure;
    }
    std::error_code failure;
    fs::rename(signed_, installer, failure);
    if (failure) {
        fs::remove(signed_, ignored);
        *error = "cannot replace " + installer + ": " + failure.message();
        return kFailure;
    }
    const SignatureReport report = checkSignature(installer, "");
    std::printf("%s: %s\n", installer.c_str(), describe(report).c_str());
    return kSuccess;
}

}  // namespace tamlo::pack
