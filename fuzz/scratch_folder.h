#pragma once
// A folder of the process's own for the files the fuzz targets write (sheets,
// stores, pictures): made under the temporary folder ($TMPDIR, else /tmp) on
// first use and removed with its contents when the process ends normally.

#include <filesystem>

namespace tessaly::fuzz {

const std::filesystem::path& scratchFolder();

}  // namespace tessaly::fuzz
