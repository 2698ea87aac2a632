// Writes a deterministic file of vCard 3.0 cards for the benchmarks: names,
// organisation, telephones, addresses, e-mail, dates, a note with non-ASCII
// text, and optionally an inline Base64 picture, a GIF of a given size (38
// bytes at the least), on every card or on every Nth card only (cards N, 2N,
// 3N, ...).
//   bench_generate_vcards CARDS PICTURE_BYTES OUTPUT [PICTURE_EVERY]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A small linear congruential generator: the same file every time.
class Numbers {
public:
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }

private:
    std::uint64_t state_ = 0x5EED;
};

const char* const kFirst[] = {"Anna", "Björn", "Chloé", "Dmitri", "Emeka", "Fatima", "Grace", "Hiroshi",
                              "Ingrid", "José", "Kalani", "Lena", "Mateo", "Nadia", "Oskar", "Priya"};
const char* const kLast[] = {"Andersson", "Bianchi", "Chen", "Dubois", "Eze", "Fischer", "García",
                             "Hansen", "Ivanova", "Jensen", "Kowalski", "López", "Müller", "Nakamura"};
const char* const kCities[] = {"Lyon", "Malmö", "Porto", "Kraków", "Zürich", "Leeds", "Gent", "Bergen"};

// A 1x1 GIF of `bytes` bytes, or one fewer where a comment sub-block cannot
// take the last byte (38 at the least): its two colours and the comment that
// pads it to size are random, so no two pictures are alike.
std::string gifPicture(Numbers& numbers, std::size_t bytes) {
    const auto randomBytes = [&](std::string& out, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) out += static_cast<char>(numbers.below(256));
    };
    // Header, a 1x1 screen with a global table of two colours, and the table.
    std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
    randomBytes(gif, 6);
    // The image (descriptor, LZW data of its one pixel) and the trailer.
    const std::string image("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 16);
    // A comment extension of sub-blocks of up to 255 bytes fills the rest.
    gif += "\x21\xFE";
    const std::size_t frame = gif.size() + 1 + image.size();  // with the comment's terminator
    for (std::size_t left = bytes > frame ? bytes - frame : 0; left >= 2;) {
        const std::size_t length = std::min<std::size_t>(left - 1, 255);
        gif += static_cast<char>(length);
        randomBytes(gif, length);
        left -= 1 + length;
    }
    gif += '\0';
    return gif + image;
}

std::string base64(const std::string& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[at]) << 16;
        if (at + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[at + 1]) << 8;
        if (at + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[at + 2]);
        for (std::size_t i = 0; i < 4; ++i)
            text += at + i <= bytes.size() ? kAlphabet[(group >> (18 - 6 * i)) & 63] : '=';
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: bench_generate_vcards CARDS PICTURE_BYTES OUTPUT [PICTURE_EVERY]\n");
        return 2;
    }
    const long cards = std::atol(argv[1]);
    const std::size_t pictureBytes = static_cast<std::size_t>(std::atol(argv[2]));
    const long pictureEvery = argc == 5 ? std::atol(argv[4]) : 1;
    if (pictureEvery < 1) {
        std::fprintf(stderr, "bench_generate_vcards: PICTURE_EVERY must be 1 or more\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[3], "wb");
    if (!out) {
        std::perror(argv[3]);
        return 1;
    }
    Numbers numbers;
    std::string card;
    for (long i = 0; i < cards; ++i) {
        const char* first = kFirst[numbers.below(16)];
        const char* last = kLast[numbers.below(14)];
        const char* city = kCities[numbers.below(8)];
        const std::string n = std::to_string(i);
        card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        card += std::string("N:") + last + ";" + first + ";;;\r\n";
        card += std::string("FN:") + first + " " + last + "\r\n";
        card += "ORG:Company " + std::to_string(numbers.below(500)) + ";Department " + std::to_string(numbers.below(20)) + "\r\n";
        card += "TITLE:Engineer\r\nROLE:Team lead\r\n";
        card += "TEL;TYPE=WORK,VOICE:+44 20 7946 " + std::to_string(1000 + numbers.below(9000)) + "\r\n";
        card += "TEL;TYPE=CELL:+44 7700 " + std::to_string(100000 + numbers.below(900000)) + "\r\n";
        card += "TEL;TYPE=HOME:+44 20 7946 " + std::to_string(1000 + numbers.below(9000)) + "\r\n";
        card += "EMAIL;TYPE=INTERNET,PREF:person" + n + "@example.com\r\n";
        card += "EMAIL;TYPE=INTERNET:other" + n + "@example.org\r\n";
        card += "ADR;TYPE=WORK:;;" + std::to_string(numbers.below(200)) + " High Street;" + city + ";;" +
                std::to_string(10000 + numbers.below(90000)) + ";United Kingdom\r\n";
        card += "ADR;TYPE=HOME:;;" + std::to_string(numbers.below(200)) + " Mill Lane;" + city + ";;" +
                std::to_string(10000 + numbers.below(90000)) + ";United Kingdom\r\n";
        card += "URL:https://www.example.com/people/" + n + "\r\n";
        card += "BDAY:19" + std::to_string(50 + numbers.below(50)) + "-0" + std::to_string(1 + numbers.below(9)) +
                "-1" + std::to_string(numbers.below(10)) + "\r\n";
        card += "NOTE:Met at the fair in " + std::string(city) + ".\\nFollow up about the order, café meeting.\r\n";
        card += "CATEGORIES:Clients,Europe\r\n";
        if (pictureBytes > 0 && (i + 1) % pictureEvery == 0) {
            // vCard 3.0 writers fold long values at 75 characters.
            const std::string picture = base64(gifPicture(numbers, pictureBytes));
            card += "PHOTO;ENCODING=b;TYPE=GIF:";
            for (std::size_t at = 0; at < picture.size(); at += 74) {
                if (at > 0) card += "\r\n ";
                card += picture.substr(at, 74);
            }
            card += "\r\n";
        }
        card += "END:VCARD\r\n";
        if (std::fwrite(card.data(), 1, card.size(), out) != card.size()) {
            std::perror(argv[3]);
            return 1;
        }
    }
    if (std::fclose(out) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
