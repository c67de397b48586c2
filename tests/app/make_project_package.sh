#!/usr/bin/env bash
# Writes a project and its files and builds it with the native qrpack, for
# the window test that builds the same project under wine:
#   make_project_package.sh QRPACK INSTALL_DAT OUTDIR
# writes OUTDIR/proj (the project my.qrproj and its files), OUTDIR/linux.exe and
# OUTDIR/linked (a project with a link that leads out of its folder).
set -euo pipefail
qrpack=$1 install_dat=$2 out=$3
rm -rf "$out"
mkdir -p "$out/proj/MyApp/data/子目录" "$out/proj/out"
seq 1 20000 > "$out/proj/MyApp/app.exe"
seq 3 11 90000 > "$out/proj/MyApp/data/子目录/表.txt"
printf 'project 项目\r\n' > "$out/proj/readme.txt"
cat > "$out/proj/my.qrproj" <<'PROJECT'
# A project as a person writes it.
format = 1

[package]
name = '项目测试'
dir = 'QrProject'
output = 'out/linux.exe'
publisher = '发行商'
version = '3.2.1'

[build]
jobs = 2

[[entry]]
path = 'MyApp/app.exe'
options = ['run', 'desktop']

[[entry]]
path = 'MyApp/data'
folder = true

[[entry]]
path = 'readme.txt'
options = ['program-group', 'control-panel-icon']
PROJECT
# A project whose relative path leaves its folder through a link.
mkdir -p "$out/linked/proj" "$out/linked/outside"
echo secret > "$out/linked/outside/secret.txt"
ln -s ../outside "$out/linked/proj/out"
printf "format = 1\n[[entry]]\npath = 'out/secret.txt'\n" > "$out/linked/proj/p.qrproj"
cd /
"$qrpack" build --quiet --install-dat "$install_dat" "$out/proj/my.qrproj" > /dev/null
mv "$out/proj/out/linux.exe" "$out/linux.exe"
