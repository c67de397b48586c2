/* The resources through which a package and its uninstaller carry their
 * product's identity, shared by the builder, the setup stub and the
 * uninstaller (and readable by the resource compiler, hence C macros).
 *
 * Capability: a program image of install.dat declares that the builder may
 * rewrite its resources with an RCDATA resource named QRIDENTITY (any
 * content; ours holds "1"). Only such images are rewritten; the rewritten
 * image keeps the mark. An image without it is written exactly as it is.
 *
 * What the builder writes into a declaring image:
 *   RT_VERSION 1, language QR_IDENTITY_LANGUAGE (0x0804, Chinese PRC): a
 *     VS_VERSIONINFO whose one string table is in that language and code
 *     page QR_IDENTITY_CODE_PAGE (1200, UTF-16) (package/product_identity.h
 *     lists its strings);
 *   when the product has an icon, RT_GROUP_ICON QR_PRODUCT_ICON_ID and its
 *     RT_ICON images 1..n, language neutral, in place of any icon the image
 *     had. The setup window loads that group for its title bar. */
#pragma once

#define QR_IDENTITY_MARKER QRIDENTITY
#define QR_PRODUCT_ICON_ID 1
#define QR_IDENTITY_LANGUAGE 0x0804
#define QR_IDENTITY_CODE_PAGE 1200

#ifdef __cplusplus
namespace package {
inline constexpr char16_t kIdentityMarkerName[] = u"QRIDENTITY";
inline constexpr unsigned short kProductIconId = QR_PRODUCT_ICON_ID;
inline constexpr unsigned short kIdentityLanguage = QR_IDENTITY_LANGUAGE;
inline constexpr unsigned short kIdentityCodePage = QR_IDENTITY_CODE_PAGE;
}  // namespace package
#endif
