#pragma once

#include <string>

// A marker that only one holder on the machine can have at a time, named after the program's
// title so that every running copy competes for the same name. An object asks once and never
// waits: GetExclusiveLock is True when no other object, in this process or another, has the
// name open. A refused object still keeps the name open until it releases it or goes, as a
// holder does, so the name is free again only once every object that asked has let go.
//
// The name is a lock file in the runtime folder ($XDG_RUNTIME_DIR, else the temp folder); the
// object owns one descriptor of it, closed by ReleaseLock or the destructor. Holding is an
// advisory flock: a shared lock says "the name is open", and the first opener is the one that
// could take it exclusively. A short exclusive lock on a second file (<name>.guard) makes the
// test and the change to shared one step, so two askers can never both get True.
//
// A lock file can be deleted under its holder, and the next asker then makes a new file, finds
// it unlocked and holds too; checking after the lock that the path still names the locked file
// does not help, since the new file is the one the path names. What cannot be deleted while
// the program runs is its folder (it holds the running program's files), and a folder can be
// flocked like a file. A lock anchored on its folder (Anchor::Folder) therefore also holds the
// folder exclusively for as long as it holds the lock, taken within the guarded step: an asker
// whose name files are new finds the folder held and is refused like any other. The folder
// stays the one the holder locked when it is renamed or moved, so a second copy started there
// meets it too. One anchored lock per folder: another name anchored on the same folder is
// refused while the first holds. When the name's files cannot be made (a read-only folder, one
// the account may not write, a folder in the file's place), an anchored lock is the folder's
// lock alone, which keeps every other anchored asker out just the same; FileProblem says why.
//
// The name's files are files of their folder: a symbolic link in the place of either is never
// followed, so nothing is opened or made where it points. It is refused like a file that cannot
// be made (an anchored lock then holds on its folder alone, and FileProblem names the link).
class ExclusiveSemaphore {
 public:
  enum class Anchor { None, Folder };

  // The program's title in the runtime folder.
  ExclusiveSemaphore();
  // A name of the caller's choice in a folder of the caller's choice (tests, other tools); with
  // Anchor::Folder the holder holds the folder too (the one-service lock of an installation).
  ExclusiveSemaphore(std::string name, std::string folder, Anchor anchor = Anchor::None);
  ~ExclusiveSemaphore();  // closes a descriptor still held; failures are ignored
  ExclusiveSemaphore(ExclusiveSemaphore&& other) noexcept;
  ExclusiveSemaphore& operator=(ExclusiveSemaphore&& other) noexcept;
  ExclusiveSemaphore(const ExclusiveSemaphore&) = delete;
  ExclusiveSemaphore& operator=(const ExclusiveSemaphore&) = delete;

  // True when this object now holds the lock; False when another holder has the name open
  // (this object then keeps it open too). A call while this object already has the name open
  // answers as the first call did. The lock file cannot be made or locked (nor, for an anchored
  // lock, the folder): core::RuntimeError
  // numbered -2147221504 plus the system error code, source "ExclSem.GetExclusiveLock", with
  // the system's text.
  bool GetExclusiveLock();
  // Gives the name up; does nothing when the object holds nothing. A failing close raises
  // core::RuntimeError numbered as above with the source "ExclSem.ReleaseLock".
  void ReleaseLock();

  // Whether this object has the name open (holding the lock or refused).
  bool HoldsHandle() const { return fd_ >= 0; }
  // Whether this object holds the lock.
  bool IsHolder() const { return owner_; }
  // The lock file's path.
  const std::string& LockPath() const { return path_; }
  // Why an anchored lock is held (or refused) on its folder alone: "the lock file <path> cannot
  // be made: <system's text>", or that it is a symbolic link; "" when its files took part.
  const std::string& FileProblem() const { return fileProblem_; }

  // The system's text for an error code; "Error (" + code + ") not defined." when it has none.
  static std::string SystemErrorText(int code);
  // The folder lock files go into: $XDG_RUNTIME_DIR when it names a folder, else the temp folder.
  static std::string RuntimeFolder();

  // Added to the system error code in the numbers of the errors raised here.
  static constexpr int kErrorBase = -2147221504;  // 0x80040000

 private:
  [[noreturn]] static void RaiseSystemError(int code, const char* source);

  // Takes the anchor of a lock that the name's files gave this object; false when another
  // holder has it.
  bool HoldAnchor(const char* source);
  // The name's file (file) cannot be had (code): an anchored lock takes the folder alone; any
  // other raises the error.
  bool LockFolderAlone(int code, const std::string& file, const char* source);

  std::string path_;
  std::string folder_;
  Anchor anchor_ = Anchor::None;
  int fd_ = -1;
  int anchorFd_ = -1;  // the folder, held while this object holds an anchored lock
  bool owner_ = false;
  std::string fileProblem_;
};
