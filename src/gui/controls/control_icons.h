#pragma once

class QIcon;

namespace corvina {

// The small pictures that the drive box and the folder list draw before their entries. They are
// the program's own (resources/*.png), not the desktop's icon theme, whose look-up can cost
// thousands of file probes at start-up; each is read once and kept for the life of the program.
enum class ControlIcon { Drive, FolderClosed, FolderOpen };
const QIcon& IconOf(ControlIcon icon);

}  // namespace corvina
