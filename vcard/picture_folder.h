#pragma once
// The folder a run writes picture files into ("vCardPictures" in the output
// folder). Others may be able to write in the output folder (a shared drive,
// /tmp), so nothing planted there is followed: the folder is opened once,
// refusing a link at its name and a folder of another user, and every picture
// file is made relative to that open folder as a new file that cannot be a
// link: at its name when the name is free, else under a hidden name and then
// renamed over it. A link or a file planted at a picture's name is replaced,
// never written through.

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace tessaly {

class PictureFolder {
public:
    explicit PictureFolder(std::filesystem::path path);
    ~PictureFolder();
    PictureFolder(const PictureFolder&) = delete;
    PictureFolder& operator=(const PictureFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Makes the folder when it is missing and opens it, the first time only;
    // every call gives the first call's answer: empty when the folder can be
    // written into, else why not.
    const std::string& open();

    // Writes `bytes` as the file `name` of the open folder, replacing what is
    // there. Returns empty, or why the picture could not be written. Safe to
    // call from several threads once open() has answered.
    std::string write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
    std::once_flag opened_;
    std::string openFailure_;
    int descriptor_ = -1;
};

}  // namespace tessaly
