#!/bin/sh
# check-package.sh PACKAGE NEXT-PACKAGE
# Checks how the sample package runs QuelmarSetup.exe over the product's life:
# deferred custom actions without impersonation, "-install" on every install,
# repair and upgrade as the script's last action before InstallFinalize,
# "-uninstall" only on a removal for good, the older version removed after
# InstallFinalize, a newer one refused; and that the next version built from
# the same source can replace it (same upgrade code and components).
set -u
msi=$1
next=$2
fail() { echo "FAIL: $*"; exit 1; }
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }

actions=$(table "$msi" CustomAction)
sequence=$(table "$msi" InstallExecuteSequence)
echo "$actions" | grep -E "^QuelmarSetup"
echo "$sequence" | sort -t"$(printf '\t')" -k3 -n

# Type: 0x12 exe from an installed file, 0x400 deferred, 0x800 no impersonation,
# 0x40 return code ignored.
echo "$actions" | grep -qP '^QuelmarSetupInstall\t3090\tQuelmarSetupExe\t-install\t' \
    || fail "install action is not a deferred, non-impersonated, checked run of QuelmarSetup.exe -install"
echo "$actions" | grep -qP '^QuelmarSetupUninstall\t3154\tQuelmarSetupExe\t-uninstall\t' \
    || fail "uninstall action is not a deferred, non-impersonated run of QuelmarSetup.exe -uninstall"
[ "$(echo "$actions" | grep -c '^QuelmarSetup')" -eq 2 ] || fail "unexpected QuelmarSetup custom actions"

seq_of() { echo "$sequence" | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
last_before() { echo "$sequence" | awk -F'\t' -v s="$1" '$3 < s && $3 > best { best = $3; name = $1 } END { print name }'; }
install=$(seq_of QuelmarSetupInstall)
uninstall=$(seq_of QuelmarSetupUninstall)
[ "$(last_before "$(seq_of InstallFinalize)")" = QuelmarSetupInstall ] && [ "$install" -gt "$(seq_of InstallFiles)" ] \
    || fail "the install action must be the last action of the script, right before InstallFinalize"
[ "$(seq_of InstallInitialize)" -lt "$uninstall" ] && [ "$uninstall" -lt "$(seq_of RemoveFiles)" ] \
    || fail "the uninstall action must run in the script before RemoveFiles"
echo "$sequence" | grep -qP '^QuelmarSetupInstall\tNOT REMOVE\t' || fail "install condition"
echo "$sequence" | grep -qxP 'QuelmarSetupUninstall\tREMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE AND \$SetupExecutable=2\t\d+' \
    || fail "uninstall condition: a removal for good only, not an upgrade's removal of the older version"

# The older version goes after InstallFinalize: the new version then shares
# the setup program's component, which the uninstall condition relies on.
for action in FindRelatedProducts LaunchConditions RemoveExistingProducts; do
    [ -n "$(seq_of $action)" ] || fail "no $action: the package has no upgrade authoring"
done
[ "$(seq_of FindRelatedProducts)" -lt "$(seq_of LaunchConditions)" ] || fail "FindRelatedProducts must precede LaunchConditions"
[ "$(seq_of RemoveExistingProducts)" -gt "$(seq_of InstallFinalize)" ] \
    || fail "RemoveExistingProducts must run after InstallFinalize"
property() { table "$1" Property | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
version=$(property "$msi" ProductVersion)
upgrade=$(table "$msi" Upgrade)
echo "$upgrade"
# Attributes: 1 migrate features, 2 only detect; the bounds are exclusive.
echo "$upgrade" | grep -qxP "\{7E3C2A51-4B8D-4F0A-9C61-2D5B8E90A1F4\}\t\t$version\t\t1\t\tWIX_UPGRADE_DETECTED" \
    || fail "an older version must be detected for removal"
echo "$upgrade" | grep -qxP "\{7E3C2A51-4B8D-4F0A-9C61-2D5B8E90A1F4\}\t$version\t\t\t2\t\tWIX_DOWNGRADE_DETECTED" \
    || fail "a newer version must be detected, not removed"
table "$msi" LaunchCondition | grep -qxP 'NOT WIX_DOWNGRADE_DETECTED\tA newer version of Tarvo Quelmar is already installed\. .+' \
    || fail "a newer version installed must stop the install with a message"

[ "$(property "$next" UpgradeCode)" = "$(property "$msi" UpgradeCode)" ] || fail "the next version has another upgrade code"
[ "$(property "$next" ProductCode)" != "$(property "$msi" ProductCode)" ] || fail "the next version has the same product code"
[ "$(table "$next" Component)" = "$(table "$msi" Component)" ] || fail "the next version's components differ"
echo "custom actions as intended"
