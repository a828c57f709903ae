#!/bin/sh
# Checks how the sample package runs QuelmarSetup.exe: deferred custom actions
# without impersonation, inside the install script, the install's exit code
# checked and the uninstall's not.
set -u
msi=$1
fail() { echo "FAIL: $*"; exit 1; }

actions=$(msiinfo export "$msi" CustomAction | tr -d '\r')
sequence=$(msiinfo export "$msi" InstallExecuteSequence | tr -d '\r')
echo "$actions" | grep -E "^QuelmarSetup"
echo "$sequence" | grep -E "^(QuelmarSetup\w*|InstallInitialize|InstallFinalize|InstallFiles|RemoveFiles)\s"

# Type: 0x12 exe from an installed file, 0x400 deferred, 0x800 no impersonation,
# 0x40 return code ignored.
echo "$actions" | grep -qP '^QuelmarSetupInstall\t3090\tQuelmarSetupExe\t-install\t' \
    || fail "install action is not a deferred, non-impersonated, checked run of QuelmarSetup.exe -install"
echo "$actions" | grep -qP '^QuelmarSetupUninstall\t3154\tQuelmarSetupExe\t-uninstall\t' \
    || fail "uninstall action is not a deferred, non-impersonated run of QuelmarSetup.exe -uninstall"
[ "$(echo "$actions" | grep -c '^QuelmarSetup')" -eq 2 ] || fail "unexpected QuelmarSetup custom actions"

seq_of() { echo "$sequence" | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
inside() { [ "$(seq_of InstallInitialize)" -lt "$1" ] && [ "$1" -lt "$(seq_of InstallFinalize)" ]; }
install=$(seq_of QuelmarSetupInstall)
uninstall=$(seq_of QuelmarSetupUninstall)
inside "$install" && [ "$install" -gt "$(seq_of InstallFiles)" ] \
    || fail "the install action must run in the script after InstallFiles"
inside "$uninstall" && [ "$uninstall" -lt "$(seq_of RemoveFiles)" ] \
    || fail "the uninstall action must run in the script before RemoveFiles"
echo "$sequence" | grep -qP '^QuelmarSetupInstall\tNOT Installed AND NOT REMOVE\t' || fail "install condition"
echo "$sequence" | grep -qP '^QuelmarSetupUninstall\tREMOVE="ALL"\t' || fail "uninstall condition"
echo "custom actions as intended"
