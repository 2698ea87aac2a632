// Lists a PST store through pst-extractor: one line per folder (path, class,
// item count) and per item (class, subject, e-mail 1, attachments with size).
// Usage: node list-store.js FILE
'use strict';
const { PSTFile } = require('pst-extractor');

const file = new PSTFile(process.argv[2]);
console.log(`store\t${file.getMessageStore().displayName}`);

function walk(folder, path) {
  console.log(`folder\t${path}\t${folder.containerClass}\t${folder.contentCount}`);
  if (folder.contentCount > 0) {
    for (let item = folder.getNextChild(); item != null; item = folder.getNextChild()) {
      const attachments = [];
      for (let i = 0; i < item.numberOfAttachments; i++) {
        const attachment = item.getAttachment(i);
        attachments.push(`${attachment.longFilename}:${attachment.filesize}`);
      }
      const email = item.email1EmailAddress === undefined ? '' : item.email1EmailAddress;
      console.log(`item\t${path}\t${item.messageClass}\t${item.subject}\t${email}\t${attachments.join(',')}`);
    }
  }
  if (folder.hasSubfolders) {
    for (const child of folder.getSubFolders()) walk(child, `${path}/${child.displayName}`);
  }
}

walk(file.getRootFolder(), '');
