#pragma once
// Every text the package build shows or reports, defined once (UTF-8).
// Texts that name a file end with a colon; the caller appends the path.
// They are shown under the title kTitle.

#include <string>

#include "platform/files.h"

namespace package::msg {

// Title of every refusal, input error and completion message.
inline constexpr char kTitle[] = "提示";

// The start-up check of install.dat: message and title.
inline constexpr char kInstallDatBroken[] = "install.dat文件丢失或被修改无法使用，请重新下载！";
inline constexpr char kLoadFailedTitle[] = "加载失败";

// A failure text: the lead text, the file it names and, when the failure
// came from the system, the system's own text for it in brackets. failure is
// the platform layer's message (platform::FailureReason); the file it names
// is not repeated, and any other text in it is left out.
inline std::string WithReason(const char* lead, const std::string& path, const std::string& failure) {
  std::string reason = platform::FailureReason(failure);
  return lead + path + (reason.empty() ? "" : "（" + reason + "）");
}

// The build button's checks, in the order they are made.
inline constexpr char kNoAppName[] = "请输入您的软件名称！";
inline constexpr char kNoSetupDir[] = "请输入软件安装目录名！";
inline constexpr char kNoSavePath[] = "请选择安装包保存路径！";
inline constexpr char kNoEntries[] = "请添加文件后再点击“生成安装包”按钮！";
inline constexpr char kCannotCreate[] = "无法在您指定的安装路径下创建安装包！";
// The reason qrpack adds after kCannotCreate and the path when it is a folder.
inline constexpr char kSavePathIsFolder[] = "这是一个文件夹";

// Status texts while the writer runs, and the completion message.
inline constexpr char kStatusCollecting[] = "正在处理写入安装包的数据...";
inline constexpr char kStatusWriting[] = "正在将数据写入安装包...";
inline constexpr char kDone[] = "已经将所有文件打包进安装程序！";

// The size refusal: payload plus the stub's share over 2147483647 bytes.
inline constexpr char kTooLarge[] = "您指定的数据大于2G，不能写入安装包，请删去部分文件！";

// Files the package cannot hold, refused before anything is written.
inline constexpr char kFileTooLarge[] = "文件大于或等于2G，不能写入安装包：";
inline constexpr char kNameNotGbk[] = "文件名含有简体中文编码(GBK)无法表示的字符，不能写入安装包：";
inline constexpr char kNameHasSeparator[] = "文件名含有“\\”，不能写入安装包：";
inline constexpr char kNameNotWindows[] = "文件名含有Windows不允许的字符，不能写入安装包：";
inline constexpr char kNameIsDevice[] = "文件名是Windows的设备名（如CON、NUL、COM1），安装时无法创建，不能写入安装包：";
inline constexpr char kNameEndsWithDotOrSpace[] = "文件名以点或空格结尾，安装时Windows无法创建，不能写入安装包：";
// Two stored paths that cannot stand side by side; the other file follows in brackets.
inline constexpr char kNameTwice[] = "两个文件在安装包中的名称相同，不能写入安装包：";
inline constexpr char kNameCaseClash[] = "两个文件的名称只有字母大小写不同，在Windows上会互相覆盖，不能写入安装包：";
inline constexpr char kNameFileAndFolder[] = "一个文件与一个文件夹在安装包中的名称相同，不能写入安装包：";
inline constexpr char kNameIsUninstaller[] = "安装包的顶层不能有名为uninst.exe的文件（卸载程序使用这个名称）：";
// The install-folder name as stored (after "\" is removed and the value cut).
inline constexpr char kBadSetupDir[] = "安装目录名不能用作Windows文件夹名，安装时会被拒绝：";
inline constexpr char kNameTooLong[] = "文件路径太长（超过32767字节），不能写入安装包：";
inline constexpr char kSavePathIsInput[] = "安装包保存路径不能是要打包或读取的文件：";
inline constexpr char kNotRegularFile[] = "不是普通文件（管道、设备或套接字），不能写入安装包：";
// Failures while writing; the package is not made and the old file is kept.
inline constexpr char kFileUnreadable[] = "无法读取文件，安装包没有生成：";
inline constexpr char kFolderUnreadable[] = "无法读取文件夹的内容，安装包没有生成：";
inline constexpr char kFileChanged[] = "文件在打包过程中被修改，安装包没有生成：";
inline constexpr char kWriteFailed[] = "写入安装包失败，安装包没有生成：";
inline constexpr char kTempUninstallerFailed[] = "无法写入临时文件夹中的卸载程序，安装包没有生成：";
// The reason when every name tried for a temporary file was taken.
inline constexpr char kNoFreeTempName[] = "找不到未被占用的临时文件名";
inline constexpr char kOptionTwice[] = "同一个安装选项只能设置在一个文件上：";
// Options set on files by their path in the package; the path follows.
inline constexpr char kOptionFileMissing[] = "安装选项指定的文件不在安装包中：";
inline constexpr char kOptionFileTwice[] = "同一个文件的同一个安装选项设置了两次：";
inline constexpr char kShortcutNameTwice[] = "两个文件的快捷方式名称相同，安装时会互相覆盖：";
// The product's icon (qrpack build --icon, or the file marked for the
// control panel or to run), refused before anything is written.
inline constexpr char kIconUnreadable[] = "无法读取图标文件，安装包没有生成：";
inline constexpr char kIconNotIcon[] = "不是图标文件，也不是带图标的程序，不能用作安装包的图标：";
inline constexpr char kIconDamaged[] = "图标已损坏，不能用作安装包的图标：";
inline constexpr char kIconTooLarge[] = "图标大于1 MB，不能用作安装包的图标：";
inline constexpr char kIconTooBig[] = "图标大于256×256像素，不能用作安装包的图标：";
// A program of install.dat that declares it carries the product's identity
// but whose resources cannot be rewritten.
inline constexpr char kIdentityNotWritable[] = "install.dat中的程序无法写入软件的图标和版本信息，安装包没有生成：";
inline constexpr char kCodedStringTooLong[] = "文字超过32767字节，不能写入安装包";

// A compact package asked for with an install.dat whose setup program cannot read one.
inline constexpr char kSetupCannotReadSolid[] =
    "install.dat中的安装程序不能读取紧凑安装包（它是其他或较早版本的安装程序），"
    "请改用标准压缩，或使用与本工具一同发布的install.dat";
// Signing with the command of qrpack build --sign-command; the command line
// follows, then the command's output on the next lines.
inline constexpr char kSignCannotRun[] = "无法运行签名命令，安装包没有生成：";
inline constexpr char kSignFailed[] = "签名命令失败，安装包没有生成：";
inline constexpr char kSignExitCode[] = "（退出码 ";  // then the code and "）"
inline constexpr char kSignLostFile[] = "签名命令执行后无法读取要签名的文件，安装包没有生成：";
inline constexpr char kSignLeftUnsigned[] = "签名命令执行后文件没有数字签名，安装包没有生成：";
inline constexpr char kSignedUninstallerUnreadable[] = "签名后的卸载程序无法读取，安装包没有生成：";
inline constexpr char kSignedPackageUnreadable[] = "签名后的安装包无法读取，安装包没有生成：";

// install.dat, the container of the setup stub and the uninstaller.
inline constexpr char kContainerDamaged[] = "install.dat已损坏：";
inline constexpr char kContainerUnreadable[] = "无法读取安装程序数据文件，安装包没有生成：";
inline constexpr char kContainerTooShort[] = "文件太短，不是安装程序数据文件";
inline constexpr char kContainerBadLength[] = "第一个成员的长度超出文件范围";
inline constexpr char kStubUndecodable[] = "无法解出安装程序（setup）";
inline constexpr char kUninstUndecodable[] = "无法解出卸载程序（uninst.exe）";
inline constexpr char kStubTooSmall[] = "解出的安装程序小于12288字节";
inline constexpr char kUninstTooSmall[] = "解出的卸载程序小于12288字节";
// The whole check of a container given by path; the path follows.
inline constexpr char kContainerBadEnd[] = "第二个成员没有在文件末尾结束（文件被截断或加长）：";
inline constexpr char kStubNotProgram[] = "安装程序（setup）无法完整解出或不是完整的Windows程序：";
inline constexpr char kUninstNotProgram[] = "卸载程序（uninst.exe）无法完整解出或不是完整的Windows程序：";
inline constexpr char kImageTooSmall[] = "程序文件小于12288字节，不能放入install.dat：";
inline constexpr char kBadDigestSection[] = "程序文件的校验字段（.qrdig节）不完整、不是空的或与代码数组重叠，不能放入install.dat：";

// Reading a package or an uninstaller's name index; details follow the lead text.
inline constexpr char kPackageDamaged[] = "安装包已损坏：";
// A file that carries nothing behind a program; the path follows.
inline constexpr char kNotAPackage[] = "不是安装包（文件中没有附加在程序之后的安装数据）：";
inline constexpr char kNameIndexDamaged[] = "卸载程序的文件列表已损坏：";
inline constexpr char kPastLimit[] = "数据超出了应有的范围（文件被截断或已损坏）";
inline constexpr char kNegativeLength[] = "长度为负数";
inline constexpr char kPackageTooShort[] = "文件太短，不是安装包";
inline constexpr char kBadConfigOffset[] = "尾部记录的配置位置超出范围";
inline constexpr char kBadRecordCount[] = "尾部记录的文件数不正确";
inline constexpr char kBadTotal[] = "尾部记录的总大小为负数";
inline constexpr char kInConfig[] = "配置信息：";
inline constexpr char kInOptions[] = "安装选项：";
inline constexpr char kBadOptionUnion[] = "安装选项含有未知的位";
inline constexpr char kBadOptionRecord[] = "安装选项记录与选项汇总不符";
inline constexpr char kInRecord[] = "第";  // then the record's number and kRecordSuffix
inline constexpr char kRecordSuffix[] = "个文件记录：";
inline constexpr char kBadEmptyRecord[] = "压缩长度为0的记录的原始大小不是0";
inline constexpr char kBytesBeforeTrailer[] = "最后一个文件记录与尾部之间有多余的数据";
inline constexpr char kNoUninstallerRecord[] = "最后一个文件记录不是uninst.exe";
// The solid data of a compact package.
inline constexpr char kBadSolidRecord[] = "文件记录的大小为负数";
inline constexpr char kBadFrameCount[] = "压缩数据的块数或各块的文件数与文件记录不符";
inline constexpr char kSolidWithoutFrames[] = "压缩数据没有数据块，但文件记录的大小不是0";
inline constexpr char kBadFrameLength[] = "压缩数据块的长度不正确";
inline constexpr char kInFrame[] = "第";  // then the frame's number and kFrameSuffix
inline constexpr char kFrameSuffix[] = "个压缩数据块：";
inline constexpr char kFrameNotZstd[] = "不是完整的zstd数据帧";
inline constexpr char kFrameWindowTooLarge[] = "要求的解压窗口大于128 MB";
inline constexpr char kFrameNeedsDictionary[] = "需要字典才能解压";
inline constexpr char kFrameContentSize[] = "声明的解压大小与文件记录的大小之和不符";
inline constexpr char kFrameLonger[] = "解出的数据多于文件记录的大小之和";
inline constexpr char kFrameShorter[] = "解出的数据少于文件记录的大小之和";
inline constexpr char kFrameBytesAfter[] = "数据帧之后有多余的数据";
inline constexpr char kFrameUndecodable[] = "无法解压";
inline constexpr char kTotalMismatch[] = "尾部记录的总大小与各文件大小之和不符";
inline constexpr char kNameIndexTooShort[] = "文件太短，没有文件列表";
inline constexpr char kBadNameIndexOffset[] = "文件列表的位置超出范围";
inline constexpr char kBadNameCount[] = "文件数不正确";
inline constexpr char kBytesAfterNameIndex[] = "文件列表之后有多余的数据";

// The digest a package and its uninstaller carry of themselves.
inline constexpr char kUninstallerDamaged[] = "卸载程序已损坏：";
inline constexpr char kDigestMismatch[] = "校验值不符，文件在下载、复制或保存后被改动过";
inline constexpr char kDigestLengthMismatch[] = "校验信息记录的长度与文件长度不符（文件被截断、加长或已损坏）";
inline constexpr char kCancelled[] = "已取消";

}  // namespace package::msg
