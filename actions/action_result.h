#pragma once

// The exit code of the actions that came after save, restore and query (which
// end with 0 whatever their outcome): whether the action did what was asked. An
// answer no and a missing console count as not done.
enum ActionResult : int { kActionDone = 0, kActionNotDone = 1 };
