#pragma once
// Gives the update page the update that keeps the printer's settings: the
// page knows no settings, the application layer combines the two.
namespace printune {

void InstallKeepingUpdate();

} // namespace printune
