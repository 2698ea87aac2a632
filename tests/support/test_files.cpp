#include "support/test_files.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tessaly::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string name = (fs::temp_directory_path() / "tessaly-test-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("cannot make a folder like " + name);
    path_ = name;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path TempDir::write(const std::string& name, const std::string& bytes) const {
    fs::path file = path_ / name;
    fs::create_directories(file.parent_path());
    writeFile(file, bytes);
    return file;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

std::vector<std::string> lines(const std::string& text) { return split(text, '\n'); }

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<fs::path> folderEntries(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult runCommand(const std::string& command) {
    TempDir capture;
    const fs::path out = capture.path() / "out";
    const fs::path err = capture.path() / "err";
    const std::string full = "(" + command + ") >" + shellQuote(out.string()) + " 2>" +
                             shellQuote(err.string()) + " </dev/null";
    const int raw = std::system(full.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fs::exists(out) ? readFile(out) : "",
            fs::exists(err) ? readFile(err) : ""};
}

PeakRun runMeasuringPeak(const std::string& command, unsigned long long addressSpaceBytes) {
    const CommandResult run = runCommand(
        "LC_ALL=C /usr/bin/python3 -c 'import resource, subprocess, sys\n"
        "cap = int(sys.argv[2])\n"
        "limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (cap, cap))\n"
        "try:\n"
        "    status = subprocess.run(sys.argv[1], shell=True, stdout=subprocess.DEVNULL, preexec_fn=limit,\n"
        "                            timeout=600).returncode\n"
        "except subprocess.TimeoutExpired:\n"
        "    status = -1000\n"
        "print(status, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' " +
        shellQuote(command) + " " + std::to_string(addressSpaceBytes));
    PeakRun measured;
    measured.err = run.err;
    if (std::sscanf(run.out.c_str(), "%d %ld", &measured.status, &measured.peakKiB) != 2) measured.status = -1000;
    return measured;
}

}  // namespace tessaly::testing
