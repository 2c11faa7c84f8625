#include "PortFault.h"

#include <gtest/gtest.h>

namespace {

using torven::AdvicePlatform;
using torven::PortFault;
using Kind = PortFault::Kind;

PortFault Fault(Kind kind, int port, std::string device, std::string systemWords) {
    PortFault fault(kind, port, std::move(systemWords));
    fault.device = std::move(device);
    return fault;
}

TEST(PortFaultText, SaysWhatWentWrongAndWhatToDoOnLinux) {
    PortFault busyLocked = Fault(Kind::Busy, 2, "/dev/ttyUSB0", "");
    busyLocked.lockFile = "/var/lock/LCK..ttyUSB0";
    busyLocked.lockProgram = "torven";
    busyLocked.lockPid = 812;
    PortFault heldByARunningProgram = busyLocked;
    heldByARunningProgram.holder = PortFault::Holder::Running;
    PortFault staleLock = busyLocked;
    staleLock.holder = PortFault::Holder::Gone;
    PortFault staleLockOfAnother = staleLock;
    staleLockOfAnother.lockOwner = "bob";
    PortFault lockOfAnother = busyLocked;
    lockOfAnother.lockOwner = "bob";
    PortFault heldByAnotherUsersProgram = heldByARunningProgram;
    heldByAnotherUsersProgram.lockOwner = "bob";
    PortFault refused = Fault(Kind::SettingsRefused, 1, "/dev/ttyS0", "Invalid argument");
    refused.settings = "7,n,8,1";
    PortFault unreadable(Kind::SettingsInvalid, 1);
    unreadable.settings = "19200;n";

    struct Row {
        const char* name;
        PortFault fault;
        const char* text;
    };
    const Row rows[] = {
        {"NoDeviceTellsHowToLinkOne", PortFault(Kind::NoDevice, 3),
         "Порт 3: этот номер не ведёт ни к одному последовательному порту. Укажите устройство "
         "ссылкой com3 рядом с программой или в ~/.config/torven, например: ln -s /dev/ttyUSB0 "
         "~/.config/torven/com3"},
        {"MissingDeviceKeepsTheSystemWordsLast",
         Fault(Kind::DeviceMissing, 1, "/home/u/com1", "No such file or directory"),
         "Порт 1: устройства /home/u/com1 нет. Подключите адаптер или направьте ссылку com1 на "
         "устройство, которое есть. [No such file or directory]"},
        {"PermissionNamesTheGroup",
         Fault(Kind::PermissionDenied, 1, "/dev/ttyS0", "Permission denied"),
         "Порт 1: нет прав открыть /dev/ttyS0. Добавьте себя в группу dialout (sudo adduser $USER "
         "dialout) и войдите в систему заново. [Permission denied]"},
        // A lock file: its program still runs, has ended, or cannot be looked up (another
        // computer's); and only its owner, or an administrator, may remove it.
        {"BusyHeldByARunningProgram", heldByARunningProgram,
         "Порт 2: устройство /dev/ttyUSB0 занято другой программой (torven, процесс 812). "
         "Закройте её, затем снова выберите «Связь»."},
        {"BusyHeldByAnotherUsersProgram", heldByAnotherUsersProgram,
         "Порт 2: устройство /dev/ttyUSB0 занято другой программой (torven, процесс 812). "
         "Её запустил пользователь bob: попросите его закрыть её."},
        {"StaleLockOfThisUser", staleLock,
         "Порт 2: устройство /dev/ttyUSB0 заперто файлом блокировки /var/lock/LCK..ttyUSB0, "
         "который оставила уже завершившаяся программа (torven, процесс 812). Удалите этот файл "
         "(rm /var/lock/LCK..ttyUSB0), затем снова выберите «Связь»."},
        {"StaleLockOfAnotherUser", staleLockOfAnother,
         "Порт 2: устройство /dev/ttyUSB0 заперто файлом блокировки /var/lock/LCK..ttyUSB0, "
         "который оставила уже завершившаяся программа (torven, процесс 812). Файл принадлежит "
         "пользователю bob: попросите того, кто администрирует этот компьютер, удалить его."},
        {"LockOfAProgramThatCannotBeLookedUp", busyLocked,
         "Порт 2: устройство /dev/ttyUSB0 занято другой программой (torven, процесс 812). "
         "Закройте её; если её уже нет, удалите файл блокировки /var/lock/LCK..ttyUSB0."},
        {"AnotherUsersLockOfAProgramThatCannotBeLookedUp", lockOfAnother,
         "Порт 2: устройство /dev/ttyUSB0 занято другой программой (torven, процесс 812). "
         "Закройте её; если её уже нет, попросите того, кто администрирует этот компьютер, "
         "удалить файл блокировки /var/lock/LCK..ttyUSB0 (он принадлежит пользователю bob)."},
        {"BusyWithoutALockFile", Fault(Kind::Busy, 2, "/dev/ttyUSB0", "Device is busy"),
         "Порт 2: устройство /dev/ttyUSB0 занято другой программой. Закройте программу, которая "
         "держит порт. [Device is busy]"},
        {"VanishedDevice", Fault(Kind::Vanished, 4, "/dev/ttyACM0", "Resource error"),
         "Порт 4: устройство /dev/ttyACM0 пропало или перестало отвечать. Проверьте кабель и "
         "адаптер, затем снова выберите «Связь». [Resource error]"},
        {"UnreadableSettingsShowTheForm", unreadable,
         "Порт 1: параметры линии «19200;n» не поняты. Нужны скорость, чётность, биты данных и "
         "стоповые биты через запятую, например «19200,n,8,1»."},
        {"RefusedSettings", refused,
         "Порт 1: устройство /dev/ttyS0 не принимает параметры линии «7,n,8,1». Выберите "
         "параметры, которые поддерживает адаптер, например «19200,n,8,1». [Invalid argument]"},
        {"NotASerialLine", Fault(Kind::Other, 6, "/home/u/com6", "Inappropriate ioctl for device"),
         "Порт 6: не удалось открыть /home/u/com6. Проверьте, что ссылка com6 ведёт к "
         "последовательному порту. [Inappropriate ioctl for device]"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::portFaultText(row.fault, AdvicePlatform::Posix), row.text) << row.name;
}

TEST(PortFaultText, SaysWhatToDoInWindowsTerms) {
    struct Row {
        const char* name;
        PortFault fault;
        const char* text;
    };
    const Row rows[] = {
        {"MissingPortPointsAtTheDeviceManager",
         Fault(Kind::DeviceMissing, 3, "COM3", "The system cannot find the file specified."),
         "Порт 3: устройства COM3 нет. Подключите адаптер; номер адаптера виден в «Диспетчере "
         "устройств», в разделе «Порты (COM и LPT)»; выберите его в «Настр.» → «Коммуникация». "
         "[The system cannot find the file specified.]"},
        {"PortInUseNamesLikelyHolders", Fault(Kind::Busy, 1, "COM1", "Access is denied."),
         "Порт 1: устройство COM1 занято другой программой. Закройте программу, которая держит "
         "COM1 (другую копию torven, терминал, программу управления поворотным устройством). "
         "[Access is denied.]"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::portFaultText(row.fault, AdvicePlatform::Windows), row.text) << row.name;
}

// Windows has no links, groups or lock files: none of the Linux advice may reach its users.
TEST(PortFaultText, GivesNoLinuxAdviceOnWindows) {
    for (const Kind kind : {Kind::NoDevice, Kind::DeviceMissing, Kind::PermissionDenied, Kind::Busy,
                            Kind::Vanished}) {
        PortFault fault = Fault(kind, 5, "COM5", "Access is denied.");
        fault.lockFile = "/var/lock/LCK..ttyS4";
        const std::string text = torven::portFaultText(fault, AdvicePlatform::Windows);
        EXPECT_EQ(text.rfind("Порт 5: ", 0), 0u) << text;
        EXPECT_TRUE(text.ends_with(" [Access is denied.]")) << text;
        for (const char* linuxOnly : {"dialout", "ln -s", ".config", "LCK.."})
            EXPECT_EQ(text.find(linuxOnly), std::string::npos) << text;
    }
}

// For a log without a window: no advice about the window's commands, and a device named by its
// path (port 0) opening the sentence itself.
TEST(PortFaultReason, SaysWhatWentWrongWithoutAdvice) {
    EXPECT_EQ(torven::portFaultReason(Fault(Kind::DeviceMissing, 0, "/dev/x", "No such")),
              "Устройства /dev/x нет. [No such]");
    EXPECT_EQ(torven::portFaultReason(Fault(Kind::PermissionDenied, 0, "/dev/x", "")),
              "Нет прав открыть /dev/x.");
    EXPECT_EQ(torven::portFaultReason(Fault(Kind::Busy, 2, "/dev/x", "")),
              "Порт 2: устройство /dev/x занято другой программой.");
}

} // namespace
