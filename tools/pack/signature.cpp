#include "tools/pack/signature.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/os/mapped_file.h"
#include "platform/os/os_services.h"
#include "platform/os/shell_execute.h"
#include "resources/certificate_table.h"

namespace tamlo::pack {
namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Runs a command with its standard output and error sent to `output`.
shell::CommandStatus runCaptured(std::vector<std::string> command, const std::string& output) {
    // sh keeps the arguments as they are: "$@" after the redirection.
    std::vector<std::string> argv = {"/bin/sh", "-c", "out=$1; shift; exec \"$@\" >\"$out\" 2>&1",
                                     "sh", output};
    argv.insert(argv.end(), command.begin(), command.end());
    return shell::runAndWait(argv);
}

std::string readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

bool runOsslsigncode(const std::vector<std::string>& arguments, std::string* output) {
    const std::string capture =
        os::tempPath() + "tamlo-pack-sign-" + std::to_string(os::currentProcessId()) + ".txt";
    std::vector<std::string> command = {"osslsigncode"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const shell::CommandStatus status = runCaptured(command, capture);
    *output = readText(capture);
    std::remove(capture.c_str());
    if (!status.started || status.exitCode == 127) {
        *output = "osslsigncode is missing (Debian package osslsigncode)";
        return false;
    }
    return status.exitCode == 0;
}

SignatureReport checkSignature(const std::string& path, const std::string& caFile) {
    SignatureReport report;
    {
        platform::MappedFile file;
        std::string ignored;
        if (!file.open(path, &ignored)) {
            report.problem = "cannot be read";
            return report;
        }
        report.present = findCertificateTable(file.data(), file.size()).has_value();
    }
    if (!report.present) {
        return report;
    }
    const std::string output =
        os::tempPath() + "tamlo-pack-verify-" + std::to_string(os::currentProcessId()) + ".txt";
    std::vector<std::string> command = {"osslsigncode", "verify", "-in", path};
    if (!caFile.empty()) {
        command.insert(command.end(), {"-CAfile", caFile});
    }
    const shell::CommandStatus status = runCaptured(command, output);
    const std::string text = readText(output);
    std::remove(output.c_str());
    if (!status.started || status.exitCode == 127) {
        report.problem = "osslsigncode is missing (Debian package osslsigncode)";
        return report;
    }
    report.checked = true;
    report.valid = status.exitCode == 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string item = trimmed(line);
        if (report.signer.empty() && item.rfind("Subject:", 0) == 0) {
            report.signer = trimmed(item.substr(8));
        }
        if (item.find("MISMATCH") != std::string::npos) {
            report.problem = "the program was changed after signing";
        }
    }
    if (!report.valid && report.problem.empty()) {
        report.problem = text.find("Signature verification: failed") != std::string::npos
                             ? "the signer is not trusted or the signature is broken"
                             : "osslsigncode refused it";
    }
    return report;
}

std::string describe(const SignatureReport& report) {
    if (!report.present) {
        return report.problem.empty() ? "not signed" : report.problem;
    }
    std::string text = "signed";
    if (!report.signer.empty()) {
        text += " by " + report.signer;
    }
    if (!report.checked) {
        return text + ", cannot be checked: " + report.problem;
    }
    return report.valid ? text + ", valid" : text + ", NOT valid: " + report.problem;
}

}  // namespace tamlo::pack
