#include "benchdata.h"

#include "core/directory/directoryfile.h"
#include "core/files/textcodec.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <iterator>
#include <random>

namespace bench {

namespace {

// Given names and surnames, many with accents; some surnames are also
// given names and some appear twice, as in real directories.
static const char16_t *const kGiven[] = {
    u"Anna",       u"Anne",      u"Annika",    u"Antoine",   u"Ágnes",     u"Aïcha",
    u"Alejandro",  u"Alexander", u"Alice",     u"Amélie",    u"Andrés",    u"Ángel",
    u"Arne",       u"Astrid",    u"Åsa",       u"Beatriz",   u"Benoît",    u"Bernd",
    u"Björn",      u"Blanca",    u"Bożena",    u"Brigitte",  u"Bruno",     u"Carlos",
    u"Carmen",     u"Catalina",  u"Cécile",    u"Chantal",   u"Charlotte", u"Chloé",
    u"Christian",  u"Christoph", u"Claire",    u"Clément",   u"Conceição", u"Dagmar",
    u"Daniel",     u"Dávid",     u"Denise",    u"Dieter",    u"Dóra",      u"Dorothée",
    u"Eduardo",    u"Elena",     u"Élodie",    u"Emil",      u"Emilia",    u"Émile",
    u"Emma",       u"Enrique",   u"Erik",      u"Ernő",      u"Esther",    u"Eva",
    u"Fabián",     u"Fatima",    u"Felix",     u"Fernando",  u"Florian",   u"François",
    u"Françoise",  u"Frida",     u"Gábor",     u"Gaëlle",    u"Georg",     u"Gérard",
    u"Gisèle",     u"Göran",     u"Grete",     u"Guðrún",    u"Günter",    u"Gustavo",
    u"Hannah",     u"Hans",      u"Hélène",    u"Helga",     u"Henrik",    u"Héctor",
    u"Hugo",       u"Ida",       u"Inés",      u"Ingrid",    u"Irène",     u"Isabel",
    u"Iván",       u"Jacek",     u"Jakob",     u"Jana",      u"János",     u"Javier",
    u"Jean",       u"Jérôme",    u"Jesús",     u"Joaquín",   u"Johanna",   u"Jonas",
    u"Jorge",      u"José",      u"Josef",     u"Julia",     u"Jürgen",    u"Kaja",
    u"Karin",      u"Karl",      u"Katarzyna", u"Klaus",     u"Kristóf",   u"Łucja",
    u"Laura",      u"Léa",       u"Lena",      u"Léon",      u"Lisa",      u"Lotte",
    u"Louis",      u"Lucía",     u"Luis",      u"Lukas",     u"Magdalena", u"Maja",
    u"Małgorzata", u"Manuel",    u"Marc",      u"Marcel",    u"María",     u"Marie",
    u"Marek",      u"Margit",    u"Marta",     u"Martín",    u"Mathilde",  u"Matthias",
    u"Maximilian", u"Michał",    u"Miguel",    u"Mikaël",    u"Miklós",    u"Mónica",
    u"Nadine",     u"Natalia",   u"Nicolás",   u"Niklas",    u"Noémie",    u"Nora",
    u"Ola",        u"Olga",      u"Óscar",     u"Pablo",     u"Paula",     u"Pedro",
    u"Péter",      u"Petra",     u"Philippe",  u"Piotr",     u"Rafael",    u"Raphaël",
    u"Ramón",      u"Regina",    u"Renée",     u"Ricardo",   u"Rita",      u"Roberto",
    u"Rocío",      u"Roland",    u"Rosa",      u"Rúben",     u"Sabine",    u"Sandra",
    u"Sara",       u"Sébastien", u"Sergio",    u"Sigrún",    u"Silvia",    u"Simón",
    u"Siri",       u"Sofía",     u"Sophie",    u"Søren",     u"Stefan",    u"Stéphane",
    u"Susanne",    u"Sven",      u"Szymon",    u"Teresa",    u"Thérèse",   u"Thomas",
    u"Tomás",      u"Ulla",      u"Ursula",    u"Valentina", u"Vera",      u"Verónica",
    u"Víctor",     u"Vincent",   u"Wiebke",    u"Wojciech",  u"Xavier",    u"Yolanda",
    u"Yves",       u"Zoé",       u"Zofia",     u"Zoltán",    u"Þóra",
};
static const char16_t *const kSurnames[] = {
    u"Müller",      u"Schmidt",    u"Schneider",   u"Fischer",     u"Weber",
    u"Meyer",       u"Wagner",     u"Becker",      u"Schulz",      u"Hoffmann",
    u"Schäfer",     u"Koch",       u"Bauer",       u"Richter",     u"Klein",
    u"Wolf",        u"Schröder",   u"Neumann",     u"Schwarz",     u"Zimmermann",
    u"Braun",       u"Krüger",     u"Hofmann",     u"Hartmann",    u"Lange",
    u"Schmitt",     u"Werner",     u"Krause",      u"Meier",       u"Lehmann",
    u"Köhler",      u"Groß",       u"Jäger",       u"Weiß",        u"Gärtner",
    u"Böhm",        u"Martin",     u"Bernard",     u"Dubois",      u"Thomas",
    u"Robert",      u"Richard",    u"Petit",       u"Durand",      u"Leroy",
    u"Moreau",      u"Simon",      u"Laurent",     u"Lefèvre",     u"Michel",
    u"García",      u"Fontaine",   u"Rousseau",    u"Vincent",     u"Müller-Lüdenscheidt",
    u"Girard",      u"Bonnet",     u"Dupont",      u"Lambert",     u"François",
    u"Mercier",     u"Blanc",      u"Guérin",      u"Faure",       u"André",
    u"Chevalier",   u"Gauthier",   u"Perrin",      u"Morel",       u"Fernández",
    u"González",    u"Rodríguez",  u"López",       u"Martínez",    u"Sánchez",
    u"Pérez",       u"Gómez",      u"Jiménez",     u"Ruiz",        u"Hernández",
    u"Díaz",        u"Moreno",     u"Muñoz",       u"Álvarez",     u"Romero",
    u"Alonso",      u"Gutiérrez",  u"Navarro",     u"Torres",      u"Domínguez",
    u"Vázquez",     u"Ramos",      u"Gil",         u"Ramírez",     u"Serrano",
    u"Blanco",      u"Suárez",     u"Molina",      u"Castro",      u"Ortega",
    u"Rubio",       u"Núñez",      u"Silva",       u"Santos",      u"Oliveira",
    u"Sousa",       u"Conceição",  u"Gonçalves",   u"Gomes",       u"Lopes",
    u"Marques",     u"Alves",      u"Almeida",     u"Ribeiro",     u"Pereira",
    u"Carvalho",    u"Nowak",      u"Kowalski",    u"Wiśniewski",  u"Wójcik",
    u"Kowalczyk",   u"Kamiński",   u"Lewandowski", u"Zieliński",   u"Szymański",
    u"Woźniak",     u"Dąbrowski",  u"Kozłowski",   u"Jankowski",   u"Mazur",
    u"Kwiatkowski", u"Krawczyk",   u"Nagy",        u"Kovács",      u"Tóth",
    u"Szabó",       u"Horváth",    u"Varga",       u"Kiss",        u"Molnár",
    u"Németh",      u"Farkas",     u"Balogh",      u"Papp",        u"Takács",
    u"Juhász",      u"Lakatos",    u"Mészáros",    u"Oláh",        u"Simon",
    u"Rácz",        u"Fekete",     u"Jensen",      u"Nielsen",     u"Hansen",
    u"Pedersen",    u"Andersen",   u"Christensen", u"Larsen",      u"Sørensen",
    u"Rasmussen",   u"Jørgensen",  u"Petersen",    u"Madsen",      u"Kristensen",
    u"Olsen",       u"Johansson",  u"Andersson",   u"Karlsson",    u"Nilsson",
    u"Eriksson",    u"Larsson",    u"Olsson",      u"Persson",     u"Svensson",
    u"Gustafsson",  u"Pettersson", u"Jónsson",     u"Guðmundsson", u"Sigurðsson",
    u"Ólafsson",    u"Björnsson",  u"Novák",       u"Svoboda",     u"Novotný",
    u"Dvořák",      u"Černý",      u"Procházka",   u"Kučera",      u"Veselý",
    u"Horák",       u"Němec",      u"Rossi",       u"Russo",       u"Ferrari",
    u"Esposito",    u"Bianchi",    u"Romano",      u"Colombo",     u"Ricci",
    u"Marino",      u"Greco",      u"Bruno",       u"Gallo",       u"Conti",
    u"De",          u"Luca",       u"Mancini",     u"Costa",       u"Giordano",
    u"Rizzo",       u"Lombardi",   u"Moretti",     u"Smith",       u"Jones",
    u"Williams",    u"Brown",      u"Taylor",      u"Davies",      u"Evans",
    u"Wilson",      u"Johnson",    u"Roberts",     u"Walker",      u"Wright",
    u"Robinson",    u"Thompson",   u"White",       u"Hughes",      u"Edwards",
    u"Green",       u"Hall",       u"Wood",        u"O'Brien",     u"O'Connor",
    u"Murphy",      u"Kelly",      u"Byrne",       u"Ryan",        u"Walsh",
    u"Doyle",       u"Öztürk",     u"Yılmaz",      u"Kaya",        u"Demir",
    u"Şahin",       u"Çelik",      u"Yıldız",      u"Aydın",       u"Özdemir",
    u"Arslan",      u"Doğan",      u"Kılıç",       u"Nguyễn",      u"Trần",
    u"Lê",          u"Phạm",       u"Tanaka",      u"Suzuki",      u"Takahashi",
    u"Watanabe",    u"Itō",        u"Yamamoto",
};

static const char16_t *const kNotes[] = {u"met at the conference in Lyon",
                                         u"neighbour, spare key",
                                         u"birthday 14 March",
                                         u"dentist, Tuesday mornings",
                                         u"school friend of Léa",
                                         u"plumber, call before 8",
                                         u"Sportverein, Vorsitzende",
                                         u"club treasurer",
                                         u"wedding photographer",
                                         u"réunion mensuelle"};
static const char *const kDomains[] = {"example.org", "mail.example.com", "post.example.net",
                                       "example.de", "example.fr"};

// Lower-case ASCII for an e-mail address: letters with their marks taken off.
QString asciiOf(const QString &name)
{
    QString out;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.unicode() < 128 && c.isLetter())
            out += c.toLower();
    }
    return out;
}

} // namespace

QByteArray makeDirectoryFile(int count, unsigned seed)
{
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Surnames far from evenly spread: the first are shared by many entries.
    std::vector<double> weights;
    for (std::size_t i = 0; i < std::size(kSurnames); ++i)
        weights.push_back(1.0 / double(i + 4));
    std::discrete_distribution<int> surnameOf(weights.begin(), weights.end());
    const auto digits = [&](int n) {
        QString text;
        for (int i = 0; i < n; ++i)
            text += QChar(u'0' + pick(0, 9));
        return text;
    };
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString given = QString::fromUtf16(kGiven[pick(0, int(std::size(kGiven)) - 1)]);
        const QString surname = QString::fromUtf16(kSurnames[surnameOf(random)]);
        core::DirectoryEntry entry;
        const int form = pick(0, 19);
        if (form < 12)
            entry.name = surname + QStringLiteral(", ") + given;
        else if (form < 19)
            entry.name = given + ' ' + surname;
        else
            entry.name = given + ' ' + QChar(u'A' + pick(0, 25)) + QStringLiteral(". ") + surname;
        QStringList numbers;
        const int lineCount = pick(1, 4);
        for (int n = 0; n < lineCount; ++n) {
            QString line;
            switch (pick(0, 5)) {
            case 0:
            case 1:
                line =
                    QStringLiteral("phone: +%1 %2 %3").arg(pick(30, 49)).arg(digits(2), digits(7));
                break;
            case 2:
                line = QStringLiteral("mobile: 0%1 %2").arg(digits(3), digits(7));
                break;
            case 3:
            case 4:
                line = QStringLiteral("e-mail: %1.%2@%3")
                           .arg(asciiOf(given), asciiOf(surname),
                                QLatin1String(kDomains[pick(0, int(std::size(kDomains)) - 1)]));
                break;
            default:
                line = QStringLiteral("note: ") +
                       QString::fromUtf16(kNotes[pick(0, int(std::size(kNotes)) - 1)]);
                break;
            }
            if (pick(0, 19) == 0)
                line.prepend(QStringLiteral("<b>"));
            numbers.append(line);
        }
        entry.numbers = core::joinNumberLines(numbers);
        entry.bold = pick(0, 19) == 0;
        lines.append(core::formatDirectoryLine(entry));
    }
    return core::joinLines(lines);
}

std::vector<QString> namesOf(const QByteArray &directoryFile)
{
    std::vector<QString> names;
    for (const core::DirectoryEntry &entry :
         core::parseDirectoryLines(core::decodeLines(directoryFile)))
        names.push_back(entry.name);
    return names;
}

void keepAwayFromUserFiles(const QString &root)
{
    QDir().mkpath(root + "/home");
    QDir().mkpath(root + "/data-home");
    qputenv("HOME", QFile::encodeName(root + "/home"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + "/data-home"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

double Samples::minimum() const
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Samples::maximum() const
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

double Samples::median() const
{
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

} // namespace bench
