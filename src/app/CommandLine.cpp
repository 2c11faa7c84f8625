#include "CommandLine.h"

#include "BearingOffset.h"
#include "LineSettings.h"
#include "LogText.h"
#include "Utf8.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace torven {

namespace {

// Enough for any rotator's name in a caption; the service repeats it in every get_info answer.
constexpr int kMaxNameLength = 64;

CommandLine failure(const QString& text) {
    CommandLine result;
    result.action = CommandLine::Action::Fail;
    // What was typed comes back in the answer: its control characters written out, so that the
    // terminal shows them rather than obeys them.
    result.text = toQString(escapedForLog(text.toStdString()));
    return result;
}

// A whole number, written with a hyphen or with the minus sign (U+2212) that the help prints.
std::optional<int> wholeNumber(QString text, int min, int max) {
    text.replace(QChar(0x2212), QLatin1Char('-'));
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

// Qt's own options, which the application object takes out of the arguments before torven sees
// them: those that take a value, and those that stand alone. Qt reads each with one dash or two.
// ("name" is not among them: main() hands "--name" to torven rather than to X11.)
const char* const kQtOptionsWithValue[] = {"platform",        "platformpluginpath",
                                           "platformtheme",   "plugin",
                                           "qwindowgeometry", "geometry",
                                           "qwindowtitle",    "title",
                                           "qwindowicon",     "icon",
                                           "session",         "style",
                                           "stylesheet",      "qmljsdebugger",
                                           "display",         "visual"};
const char* const kQtFlags[] = {"reverse", "testability", "widgetcount", "nograb",
                                "dograb",  "qdevel",      "qdebug"};

// The arguments without Qt's own options and their values, so that they can be judged before
// the application object exists (it needs a display, and a mistake must be answered without one).
QStringList withoutQtOptions(const QStringList& arguments) {
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == 0 || !argument.startsWith(QLatin1Char('-'))) {
            rest << argument;
            continue;
        }
        const QString option = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
        const QString name = option.section(QLatin1Char('='), 0, 0);
        const bool valueAttached = option.contains(QLatin1Char('='));
        const auto is = [&](const char* qtName) {
            return name == QLatin1String(qtName);
        };
        if (std::any_of(std::begin(kQtFlags), std::end(kQtFlags), is) && !valueAttached)
            continue;
        if (std::any_of(std::begin(kQtOptionsWithValue), std::end(kQtOptionsWithValue), is) &&
            (valueAttached || i + 1 < arguments.size())) {
            if (!valueAttached)
                ++i;
            continue;
        }
        rest << argument;
    }
    return rest;
}

// The option as the user typed it ("-bogus", "--rotator"), without a value given after "=".
QString typedOption(const QStringList& arguments, const QString& name) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString typed = arguments[i].section(QLatin1Char('='), 0, 0);
        if (typed == QStringLiteral("--"))
            break;
        if (typed == QLatin1Char('-') + name || typed == QStringLiteral("--") + name)
            return typed;
    }
    return QStringLiteral("--") + name;
}

// The few complaints of Qt's parser that are not an unknown option, in Russian.
QString parserComplaint(const QString& english) {
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'\\.$"));
    static const QRegularExpression unexpected(
        QStringLiteral("^Unexpected value after '(.*)'\\.$"));
    if (const auto match = missing.match(english); match.hasMatch())
        return QStringLiteral("После %1 нет значения (справка: --help).").arg(match.captured(1));
    if (const auto match = unexpected.match(english); match.hasMatch())
        return QStringLiteral("Параметр %1 не принимает значения (справка: --help).")
            .arg(match.captured(1));
    return QStringLiteral("Командная строка не понята (%1).").arg(english);
}

} // namespace

CommandLine parseCommandLine(const QStringList& allArguments, const QString& version) {
    const QStringList arguments = withoutQtOptions(allArguments);
    QCommandLineParser parser;
    // "-bogus" is one unknown option, not five one-letter ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Индикатор направления антенны."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку и выйти."));
    const QCommandLineOption showVersion({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Показать версию и выйти."));
    const QCommandLineOption rotctld(
        QStringLiteral("rotctld"),
        QStringLiteral("Отдавать направление по протоколу rotctld на порту PORT (обычно 4533), "
                       "только для чтения."),
        QStringLiteral("PORT"));
    const QCommandLineOption rotctldAddress(
        QStringLiteral("rotctld-address"),
        QStringLiteral("Слушать на адресе ADDRESS (IPv4 или IPv6) вместо 127.0.0.1: «::» — на "
                       "всех адресах IPv4 и IPv6, «0.0.0.0» — на всех адресах IPv4."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption targets(
        QStringLiteral("targets"),
        QStringLiteral("Принимать от клиентов rotctld направление, куда повернуть антенну "
                       "(set_pos), и показывать его на ромбе; stop его убирает. Только вместе с "
                       "--rotctld PORT."));
    const QCommandLineOption offset(
        QStringLiteral("offset"),
        QStringLiteral("Прибавлять DEGREES (от −359 до 359) к направлению контроллера."),
        QStringLiteral("DEGREES"));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Использовать порт N в этом запуске, не читая и не записывая comm.set."),
        QStringLiteral("N"));
    const QCommandLineOption name(
        QStringLiteral("name"),
        QStringLiteral("Имя этого антенного поворотного устройства: в заголовке окна и в службе."),
        QStringLiteral("TEXT"));
    const QCommandLineOption position(QStringLiteral("position"),
                                      QStringLiteral("Левый верхний угол окна на экране."),
                                      QStringLiteral("X,Y"));
    const QCommandLineOption debug(
        QStringLiteral("debug"),
        QStringLiteral("Вести журнал отладки: в терминал (stderr), а в Windows — в файл "
                       "%LOCALAPPDATA%\\torven\\torven.log."));
    QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Работать без окна (например, службой systemd): держать линию открытой, "
                       "отдавать направление по --rotctld PORT и писать события со временем в "
                       "stderr. Только вместе с --rotctld PORT; не в Windows."));
    QCommandLineOption lineSettings(
        QStringLiteral("line-settings"),
        QStringLiteral("Для --headless: параметры линии, как в «Настр.» → «Коммуникация»: "
                       "скорость, чётность, биты данных, стоповые биты (по умолчанию "
                       "19200,n,8,1)."),
        QStringLiteral("SETTINGS"));
    QCommandLineOption device(QStringLiteral("device"),
                              QStringLiteral("Для --headless: открыть устройство PATH (например, "
                                             "/dev/serial/by-id/…) вместо порта по номеру."),
                              QStringLiteral("PATH"));
#ifdef Q_OS_WIN
    // A bridge without a window is not for Windows: its help box lists only what works there (and
    // stays within a screen's height).
    for (QCommandLineOption* bridgeOnly : {&headless, &lineSettings, &device})
        bridgeOnly->setFlags(QCommandLineOption::HiddenFromHelp);
#endif
    const QCommandLineOption follow(
        QStringLiteral("follow"),
        QStringLiteral("Показывать направление, которое отдаёт rotctld на HOST:PORT (другой torven "
                       "с --rotctld или rotctld), вместо последовательного порта; адрес IPv6 — в "
                       "квадратных скобках. «Связь» включает и выключает слежение."),
        QStringLiteral("HOST:PORT"));
    parser.addOptions({help, showVersion, rotctld, rotctldAddress, targets, offset, port, name,
                       position, debug, headless, lineSettings, device, follow});

    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return failure(QStringLiteral("Неизвестный параметр: %1 (справка: --help).")
                               .arg(typedOption(arguments, unknown.first())));
        return failure(parserComplaint(parser.errorText()));
    }
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("Лишний аргумент: %1 (справка: --help).")
                           .arg(parser.positionalArguments().first()));

    CommandLine result;
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowHelp;
        // Qt's own headings are English, and without an application object it names the program
        // "<executable_name>": the help is said in Russian, with the program's name.
        result.text = parser.helpText();
        result.text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+ \\[options\\]"),
                                               QRegularExpression::MultilineOption),
                            QStringLiteral("Использование: torven [параметры]"));
        result.text.replace(QStringLiteral("\nOptions:\n"), QStringLiteral("\nПараметры:\n"));
        return result;
    }
    if (parser.isSet(showVersion)) {
        result.action = CommandLine::Action::ShowVersion;
        result.text = QStringLiteral("torven %1\n").arg(version);
        return result;
    }

    CommandLineOptions& o = result.options;
    if (parser.isSet(rotctld)) {
        const auto value = wholeNumber(parser.value(rotctld), 1, 65535);
        if (!value)
            return failure(QStringLiteral("--rotctld: нужен номер порта TCP от 1 до 65535, а не "
                                          "«%1».")
                               .arg(parser.value(rotctld)));
        o.rotctldPort = static_cast<quint16>(*value);
    }
    if (parser.isSet(rotctldAddress)) {
        if (!o.rotctldPort)
            return failure(QStringLiteral("--rotctld-address действует только вместе с "
                                          "--rotctld PORT."));
        // Only a literal address or the loopback's name: listening beyond the loopback must be
        // asked for exactly.
        const QString address = parser.value(rotctldAddress).trimmed();
        if (address.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
            o.rotctldAddress = QHostAddress(QHostAddress::LocalHost);
        else if (!o.rotctldAddress.setAddress(address))
            return failure(QStringLiteral("--rotctld-address: «%1» — не адрес IPv4 или IPv6.")
                               .arg(parser.value(rotctldAddress)));
        // Alone, "::" would be IPv6's addresses only; people mean every address.
        if (o.rotctldAddress == QHostAddress(QHostAddress::AnyIPv6))
            o.rotctldAddress = QHostAddress(QHostAddress::Any);
    }
    if (parser.isSet(targets)) {
        if (!o.rotctldPort)
            return failure(QStringLiteral("--targets действует только вместе с --rotctld PORT."));
        o.targets = true;
    }
    if (parser.isSet(offset)) {
        const auto value = wholeNumber(parser.value(offset), kMinBearingOffset, kMaxBearingOffset);
        if (!value)
            return failure(QStringLiteral("--offset: нужно целое число градусов от −359 до 359, "
                                          "а не «%1».")
                               .arg(parser.value(offset)));
        o.offset = *value;
    }
    if (parser.isSet(port)) {
        const auto value = wholeNumber(parser.value(port), 1, 32767);
        if (!value)
            return failure(QStringLiteral("--port: нужен номер порта от 1 до 32767, а не «%1».")
                               .arg(parser.value(port)));
        o.portNumber = static_cast<std::int16_t>(*value);
    }
    if (parser.isSet(name)) {
        o.name = parser.value(name).simplified();
        if (o.name.isEmpty())
            return failure(QStringLiteral("--name: имя не может быть пустым."));
        // Tidied, a line break or tab is a blank; a control character left would act on the
        // terminal, the window's title and the service's clients instead of being shown.
        const QList<uint> characters = o.name.toUcs4();
        if (const auto control = std::find_if(characters.begin(), characters.end(),
                                              [](uint c) { return isControlCharacter(c); });
            control != characters.end())
            return failure(QStringLiteral("--name: в имени управляющий символ U+%1.")
                               .arg(QString::number(*control, 16)
                                        .toUpper()
                                        .rightJustified(4, QLatin1Char('0'))));
        if (characters.size() > kMaxNameLength)
            return failure(QStringLiteral("--name: имя длиннее %1 знаков.").arg(kMaxNameLength));
    }
    if (parser.isSet(position)) {
        const QStringList xy = parser.value(position).split(QLatin1Char(','));
        const auto x = xy.size() == 2 ? wholeNumber(xy[0], -100000, 100000) : std::nullopt;
        const auto y = xy.size() == 2 ? wholeNumber(xy[1], -100000, 100000) : std::nullopt;
        if (!x || !y)
            return failure(QStringLiteral("--position: нужны два целых числа через запятую, "
                                          "например 100,200, а не «%1».")
                               .arg(parser.value(position)));
        o.position = QPoint(*x, *y);
    }
    o.debug = parser.isSet(debug);

    // Without a window torven serves the bearing and nothing else: there is nobody to see a
    // window's place or a client's target.
    o.headless = parser.isSet(headless);
    if (o.headless) {
#ifdef Q_OS_WIN
        return failure(QStringLiteral("--headless: в Windows torven работает только с окном (у "
                                      "программы с окном нет терминала для журнала)."));
#endif
        if (!o.rotctldPort)
            return failure(QStringLiteral("--headless: без окна torven только отдаёт направление, "
                                          "нужен --rotctld PORT."));
        for (const QCommandLineOption* windowOnly : {&position, &targets}) {
            if (parser.isSet(*windowOnly))
                return failure(QStringLiteral("--%1 не действует вместе с --headless: без окна "
                                              "это некому показать.")
                                   .arg(windowOnly->names().constFirst()));
        }
    }
    if (parser.isSet(lineSettings)) {
        if (!o.headless)
            return failure(QStringLiteral("--line-settings действует только вместе с --headless: "
                                          "окно берёт параметры линии из «Настр.» → "
                                          "«Коммуникация»."));
        o.lineSettings = parser.value(lineSettings).trimmed();
        if (!parseLineSettings(o.lineSettings.toStdString()))
            return failure(QStringLiteral("--line-settings: нужны скорость, чётность (n, e, o, m "
                                          "или s), биты данных и стоповые биты через запятую, "
                                          "например 9600,e,7,1, а не «%1».")
                               .arg(parser.value(lineSettings)));
    }
    if (parser.isSet(device)) {
        if (!o.headless)
            return failure(QStringLiteral("--device действует только вместе с --headless: окно "
                                          "выбирает порт по номеру."));
        if (o.portNumber)
            return failure(QStringLiteral("--device и --port вместе: укажите что-то одно."));
        o.device = parser.value(device);
        if (o.device.trimmed().isEmpty())
            return failure(QStringLiteral("--device: путь к устройству не может быть пустым."));
    }
    // Following a remote rotctld instead of a port.
    if (parser.isSet(follow)) {
        o.follow = parseRemoteAddress(parser.value(follow).trimmed().toStdString());
        if (!o.follow)
            return failure(QStringLiteral("--follow: нужен адрес и порт TCP от 1 до 65535 через "
                                          "двоеточие, например 192.168.1.10:4533 или [::1]:4533, "
                                          "а не «%1».")
                               .arg(parser.value(follow)));
        if (o.portNumber)
            return failure(QStringLiteral("--follow и --port вместе не действуют: окно показывает "
                                          "направление либо с rotctld по сети, либо с "
                                          "последовательного порта."));
        if (o.headless)
            return failure(QStringLiteral("--follow и --headless вместе не действуют: следит "
                                          "за другим rotctld только окно."));
        const QString host = toQString(o.follow->host);
        if (o.rotctldPort && *o.rotctldPort == o.follow->port &&
            (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 ||
             QHostAddress(host).isLoopback()))
            return failure(QStringLiteral("--follow и --rotctld: torven следил бы сам за собой "
                                          "(порт %1). Выберите для --rotctld другой порт.")
                               .arg(*o.rotctldPort));
    }
    return result;
}

QString noDisplayText(const QString& display) {
    const QString why = display.isEmpty()
                            ? QStringLiteral("дисплей не задан (переменная DISPLAY пуста)")
                            : QStringLiteral("не удалось подключиться к дисплею «%1»").arg(display);
    return QStringLiteral("torven: окно негде показать: %1. Запустите torven в графическом сеансе.")
        .arg(why);
}

} // namespace torven
