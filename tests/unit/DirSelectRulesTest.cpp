#include "controls/DirSelectRules.h"

#include <gtest/gtest.h>

using namespace DirSelectRules;

TEST(DirSelectRulesTest, VolumesAreTheOnesAUserPicksWithTheRootFirst)
{
    const QStringList kept = {"/ overlay",        "/home ext4",  "/media/anna/STICK vfat", "/run/media/anna/CD iso9660",
                              "/mnt/daten ntfs3", "/runway ext4"};
    const QStringList skipped = {"/proc proc",           "/sys/fs/cgroup tmpfs",
                                 "/run/user/1000 tmpfs", "/snap/core/1 squashfs",
                                 "/boot/efi vfat",       "/mnt/x cgroup2"};
    for (const QString& entry : kept + skipped) {
        const QStringList parts = entry.split(' ');
        EXPECT_EQ(IsUserVolume(parts[0], parts[1].toLatin1()), kept.contains(entry)) << entry.toStdString();
    }
    const QStringList volumes = MountedVolumes();
    EXPECT_EQ(volumes.value(0), "/");
    const QStringList known = {"/", "/media/", "/media/usb/"};
    EXPECT_EQ(VolumeOf("/media/usb/Musik/", known), "/media/usb/");
    EXPECT_EQ(VolumeOf("/media/usbstick", known), "/media/");
    EXPECT_EQ(VolumeOf("/home/anna/", known), "/");
}
