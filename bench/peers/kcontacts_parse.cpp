// A peer of the benchmarks: KDE's KContacts parsing a vCard file, nothing
// else. Reads the whole file, turns it into a list of addressees with
// KContacts::VCardConverter, and prints how many cards it found and how long
// the parsing took (the file already in memory).
//   bench_peer_kcontacts FILE

#include <KContacts/Addressee>
#include <KContacts/VCardConverter>
#include <QFile>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_peer_kcontacts FILE\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_peer_kcontacts: cannot open %s\n", argv[1]);
        return 1;
    }
    const QByteArray data = file.readAll();
    const auto start = std::chrono::steady_clock::now();
    const KContacts::Addressee::List cards = KContacts::VCardConverter().parseVCards(data);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // One value of each card is looked at, so that nothing is left unparsed.
    qsizetype letters = 0;
    for (const KContacts::Addressee& card : cards) letters += card.familyName().size();
    std::printf("%lld cards (%lld letters of family names) parsed in %.3f s: %.1f MB/s\n",
                static_cast<long long>(cards.size()), static_cast<long long>(letters), seconds,
                static_cast<double>(data.size()) / 1e6 / seconds);
    return 0;
}
