// The emulated machine of the host back end: a Windows machine kept in a folder.
//
// The folder is named by SETUP_MACHINE; without it, "$XDG_DATA_HOME/setup-machine"
// (or "~/.local/share/setup-machine"), created on first use.  It holds:
//   machine.ini    what the machine is (below); every key has a default, so an
//                  empty file is a working NT machine with a fixed drive C:
//   drives/X/      the default host folder of drive X
//   attributes.txt read-only, hidden, system and archive bits per canonical host
//                  path ("XX<tab>path", hex; "--<tab>path" drops it; a later
//                  line wins); a file without a record has archive
//   registry.reg   the registry, REGEDIT4 text, rewritten atomically on change
//   journal.log    numbered lines "NNNN text": what the machine was asked to do
//                  ("beep", "sleep N", "critical-error box", ...)
// machine.ini and registry.reg may be written in UTF-8 or Windows-1252; the
// layer writes Windows-1252, as are the journal's bytes.
//
// machine.ini (keys without case; "1"/"0" for flags):
//   [Machine]
//   Family=NT | 9x                     (NT)
//   Administrator=1 | 0                (1; always 1 on 9x)
//   HklmFullAccess=1 | 0               (1 for administrators and on 9x, else 0)
//   WindowsDir=C:\WINDOWS              ("" = the query fails)
//   SystemDir=C:\WINDOWS\SYSTEM32      (9x: ...\SYSTEM, below WindowsDir)
//   TempDir=C:\TEMP\                   ("" = no temporary directory: the query fails;
//                                      no key: TMP or TEMP of [Environment], else C:\TEMP\)
//                                      The three directories are made on first use
//                                      when machine.ini does not name them.
//   ProgramPath=C:\SETUP\SETUP.EXE     the running program's path
//   ComputerName=BRIMPC  UserName=user  HostName=brimpc  ("" = the query fails)
//   HostAddress=192.168.1.10,10.0.0.1  first is primary ("" = none)
//   TimeBias=-60                       minutes, UTC = local + bias   (0)
//   ClockStart=2024-03-05 14:03:07     local time the clock starts at (this one)
//   TimeSeparator=:                    the user's time separator (:)
//   TickStart=0                        the tick count at start
//   CurrentDrive=C                     current drive at start (ProgramPath's drive)
//   RealTime=0                         1: sleeps and waits really wait
//   [Drive X]                          one section per drive letter; C: exists
//                                      without one (Type=none removes it)
//   Type=fixed|removable|cdrom|remote|ramdisk|none   (fixed)
//   Folder=drives/X                    host folder, relative to the machine folder
//                                      or absolute; no key or "" = no medium, except
//                                      that C: defaults to drives/C.  A fixed, remote
//                                      or RAM drive's folder is made when missing; a
//                                      removable or CD drive has a medium only while
//                                      its folder exists.
//   Free=8,512,1000,2000               sectors per cluster, bytes per sector,
//                                      free clusters, total clusters
//                                      (default: the host file system's figures;
//                                      a CD-ROM then has no free cluster)
//   CurrentDir=\DIR                    the drive's current directory at start (root)
//   Label=DISK1                        volume label
//   WriteProtect=1                     writes refused (ERR_WRITE_PROTECT), as
//                                      they always are on a CD-ROM drive
//   Full=1                             every byte written fails (ERR_DISK_FULL)
//   [Environment]                      the process environment (the host's is never
//   NAME=value                         used); windir, TEMP and TMP default to the
//                                      machine's directories ("" = unset)
//   [SpecialFolders]                   CSIDL=path, "" = none; defaults below the
//   2=C:\WINDOWS\Startmenü\Programme   Windows directory for 0, 2, 7, 16 and, on
//                                      NT only, 23, 24, 25
//   [InUse]                            files in use: copy onto, delete, write refused
//   C:\WINDOWS\SYSTEM32\FOO.DLL=1      (value 2: exclusively, reading refused too)
//   [RegistryDeny]                     keys (and their sub-keys) that refuse every open
//   HKLM\SOFTWARE\Locked=1
//   [Faults]                           per path (Windows or host path) fault injection,
//                                      several kinds separated by commas:
//   C:\DATA\A.BIN=unreadable           open for reading refused (ERR_ACCESS_DENIED)
//   C:\DATA\B.BIN=refuse-write         open for writing and replacing refused
//                                      (ERR_ACCESS_DENIED)
//   C:\DATA\C.BIN=disk-full            writes stop after the limit (ERR_DISK_FULL)
//   C:\DATA\D.BIN=read-error           reads fail after the limit (ERR_READ_FAULT)
//   [FaultLimits]
//   C:\DATA\C.BIN=1000                 byte limit per opened file for disk-full /
//                                      read-error (default 0)
//   [Security]                         the running program's access tokens (NT)
//   Groups=S-1-1-0,S-1-5-32-544:deny   the token's groups in order, ":deny" for a group
//                                      held for deny only (default: S-1-1-0, S-1-5-32-544
//                                      for an administrator, S-1-5-32-545, S-1-5-4, S-1-5-11)
//   ThreadToken=none | present | CODE  whether the thread impersonates: no (opening its
//                                      token fails with 1008), with the process's groups,
//                                      or the open fails with error CODE   (none)
//   ShutdownPrivilege=1 | 0            the token holds SeShutdownPrivilege, disabled
//                                      until enabled   (1)
// In-use marks, media, free space and faults are read afresh on every call, so
// a test may change machine.ini (or call setValue) while a program runs.
//
// Programs.  A command line runs the file it resolves to (win::createProcess):
//   - a host program (an executable file beginning with "#!" or an ELF
//     header) really runs: in the host folder of the current directory, with
//     the machine's environment (as environmentVariable gives it: [Environment],
//     windir, TEMP, TMP), SETUP_MACHINE (so it can act on this machine) and,
//     unless the machine names PATH, the host's PATH; its arguments are the
//     rest of the command line split at blanks, "..." grouping.  An exit by
//     signal N gives the exit code 128 + N.
//   - a file whose first line begins with "#machine-program" is declared by
//     the machine: it starts no host process and runs on the machine's clock.
//     Words after the marker:
//       exit=N                 its exit code (0)
//       seconds=N              its run time on the clock (0: ends at once)
//       never-ends             it runs until terminated
//       wait-fails             every wait for it fails (ERR_ACCESS_DENIED)
//       exit-code-unreadable   reading its exit code fails (ERR_ACCESS_DENIED)
//     e.g. "#machine-program exit=5 seconds=40".  An unknown word makes the
//     file no program.
//   - any other file is no program (ERR_BAD_EXE_FORMAT).
//
// Services.  services.ini in the machine folder is the service database, one
// section per installed service (keys without case):
//   [Blt_vask1]                        the section name is the key name ...
//   Name="Blt_vask "                   ... unless Name gives it (quotes keep blanks)
//   DisplayName=Brimlund Dienst 1      (the key name)
//   State=running                      stopped | start-pending | stop-pending | running |
//                                      continue-pending | pause-pending | paused, or the
//                                      number 1..7   (running)
//   AcceptStop=1 | 0                   whether a stop request is accepted   (1)
//   PendingAfter=0 | never             milliseconds from an accepted stop to stop pending (0)
//   StoppedAfter=0 | never             milliseconds from an accepted stop to stopped   (0)
//   DeleteRefused=0 | 1 | CODE         DeleteService fails: 1 = ERR_ACCESS_DENIED, or that
//                                      error code (e.g. 1072)   (0)
//   StopRequested=N                    written by the machine: the tick count of the
//                                      accepted stop; from then on the state follows
//                                      the course on the machine's clock
// After an accepted stop the service is running until PendingAfter, stop
// pending until StoppedAfter, then stopped ("never": not reached).  A
// deleted service's section is removed; its registry key is left alone.
// Journal: "service control ..." and "service delete ..." lines with the
// tick count and the outcome.  services.ini is read afresh on every call.
#pragma once

#include <string>

namespace win::machine {

// The machine folder in use (created when missing).
std::string folder();
// Forget everything loaded and start again from the machine folder named by
// SETUP_MACHINE now (tests use it after pointing SETUP_MACHINE elsewhere).
void reload();
// Change one key of machine.ini as a person at the machine would (take or
// release an in-use mark, insert or remove a medium, change free space).
// An empty value removes the key.  False (with the error set) when machine.ini
// could not be rewritten.
bool setValue(const std::string& section, const std::string& key, const std::string& value);
// The host path a Windows path maps to ("" when it maps nowhere).
std::string hostPath(const std::string& windowsPath);
// Whether sleeps and waits advance only the virtual clock (the default).
bool virtualTime();
void setVirtualTime(bool on);
// Makes the host's working directory the process's current directory (a
// host path), as a console tool started from a shell expects.
void useHostWorkingDirectory();
// Service-manager and service handles opened and not yet closed.
int openServiceHandles();

}  // namespace win::machine
