#pragma once
// Property tags the store writes itself (MS-OXPROPS names).

#include <cstdint>

namespace tessaly::pst::tags {

constexpr std::uint32_t MessageClass = 0x001A001F;
constexpr std::uint32_t Subject = 0x0037001F;
constexpr std::uint32_t MessageFlags = 0x0E070003;
constexpr std::uint32_t MessageSize = 0x0E080003;
constexpr std::uint32_t MessageStatus = 0x0E170003;
constexpr std::uint32_t HasAttachments = 0x0E1B000B;
constexpr std::uint32_t AttachSize = 0x0E200003;
constexpr std::uint32_t RecordKey = 0x0FF90102;
constexpr std::uint32_t DisplayName = 0x3001001F;
constexpr std::uint32_t SearchKey = 0x300B0102;
constexpr std::uint32_t CreationTime = 0x30070040;
constexpr std::uint32_t LastModificationTime = 0x30080040;
constexpr std::uint32_t ValidFolderMask = 0x35DF0003;
constexpr std::uint32_t IpmSubtreeEntryId = 0x35E00102;
constexpr std::uint32_t IpmOutboxEntryId = 0x35E20102;
constexpr std::uint32_t IpmWastebasketEntryId = 0x35E30102;
constexpr std::uint32_t IpmSentMailEntryId = 0x35E40102;
constexpr std::uint32_t ViewsEntryId = 0x35E50102;
constexpr std::uint32_t CommonViewsEntryId = 0x35E60102;
constexpr std::uint32_t FinderEntryId = 0x35E70102;
constexpr std::uint32_t ContentCount = 0x36020003;
constexpr std::uint32_t ContentUnreadCount = 0x36030003;
constexpr std::uint32_t Subfolders = 0x360A000B;
constexpr std::uint32_t ContainerClass = 0x3613001F;
constexpr std::uint32_t IpmAppointmentEntryId = 0x36D00102;
constexpr std::uint32_t IpmContactEntryId = 0x36D10102;
constexpr std::uint32_t IpmJournalEntryId = 0x36D20102;
constexpr std::uint32_t IpmNoteEntryId = 0x36D30102;
constexpr std::uint32_t IpmTaskEntryId = 0x36D40102;
constexpr std::uint32_t IpmDraftsEntryId = 0x36D70102;
constexpr std::uint32_t AttachDataBinary = 0x37010102;
constexpr std::uint32_t AttachExtension = 0x3703001F;
constexpr std::uint32_t AttachFilename = 0x3704001F;
constexpr std::uint32_t AttachMethod = 0x37050003;
constexpr std::uint32_t AttachLongFilename = 0x3707001F;
constexpr std::uint32_t RenderingPosition = 0x370B0003;
constexpr std::uint32_t AttachMimeTag = 0x370E001F;
constexpr std::uint32_t AttachFlags = 0x37140003;
constexpr std::uint32_t AttachmentContactPhoto = 0x7FFF000B;
constexpr std::uint32_t PstLrNoRestrictions = 0x6633000B;
constexpr std::uint32_t PstHiddenCount = 0x66350003;
constexpr std::uint32_t PstHiddenUnread = 0x66360003;
constexpr std::uint32_t PstPassword = 0x67FF0003;
constexpr std::uint32_t LtpParentNid = 0x66050003;
constexpr std::uint32_t NameidBucketCount = 0x00010003;
constexpr std::uint32_t NameidStreamGuid = 0x00020102;
constexpr std::uint32_t NameidStreamEntry = 0x00030102;
constexpr std::uint32_t NameidStreamString = 0x00040102;

}  // namespace tessaly::pst::tags
