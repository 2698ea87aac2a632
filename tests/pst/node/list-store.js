// Lists a PST store through pst-extractor: one line per folder (path, class,
// item count) and per item (class, subject, e-mail 1, attachments with size).
// With --attachments, also one line per attachment after its item's line:
// "attachment", folder path, the item's subject, long file name, MIME tag,
// size, and the attachment's bytes in hexadecimal.
// Usage: node list-store.js FILE [--attachments]
'use strict';
const { PSTFile } = require('pst-extractor');

const file = new PSTFile(process.argv[2]);
const withAttachments = process.argv.slice(3).includes('--attachments');
console.log(`store\t${file.getMessageStore().displayName}`);

function walk(folder, path) {
  console.log(`folder\t${path}\t${folder.containerClass}\t${folder.contentCount}`);
  if (folder.contentCount > 0) {
    for (let item = folder.getNextChild(); item != null; item = folder.getNextChild()) {
      const attachments = [];
      const attachmentLines = [];
      for (let i = 0; i < item.numberOfAttachments; i++) {
        const attachment = item.getAttachment(i);
        attachments.push(`${attachment.longFilename}:${attachment.filesize}`);
        if (withAttachments) {
          const stream = attachment.fileInputStream;
          const data = Buffer.alloc(stream ? attachment.filesize : 0);
          if (stream) stream.readCompletely(data);
          attachmentLines.push(`attachment\t${path}\t${item.subject}\t${attachment.longFilename}\t` +
                               `${attachment.mimeTag}\t${attachment.filesize}\t${data.toString('hex')}`);
        }
      }
      const email = item.email1EmailAddress === undefined ? '' : item.email1EmailAddress;
      console.log(`item\t${path}\t${item.messageClass}\t${item.subject}\t${email}\t${attachments.join(',')}`);
      for (const line of attachmentLines) console.log(line);
    }
  }
  if (folder.hasSubfolders) {
    for (const child of folder.getSubFolders()) walk(child, `${path}/${child.displayName}`);
  }
}

walk(file.getRootFolder(), '');
